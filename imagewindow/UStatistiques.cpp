#include "UStatistiques.h"

#include "ui_UStatistiques.h"

#include "PApplication.h"
#include "PDialogues.h"
#include "PImpression.h"
#include "UOutilsFenetres.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "UMain.h"
#include "UOutils.h"

#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <cmath>
#include <limits>

TStatistiques* Statistiques = nullptr;

namespace {

double Fini(double v) { return std::isfinite(v) ? v : 0.0; }

// Rounded to a whole number that a 64-bit integer holds.
int64_t Arrondi64(double v)
{
    const double r = std::nearbyint(Fini(v));
    if (r >= 9.2e18)
        return std::numeric_limits<int64_t>::max();
    if (r <= -9.2e18)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(r);
}

QString Libelle(const char* texte) { return QString::fromUtf8(texte).leftJustified(17) + QStringLiteral(": "); }

} // namespace

QStringList LignesStatistiques(const TStatistiquesImage& s)
{
    const auto position = [](int32_t x, int32_t y) {
        return QStringLiteral(" @") + EntierEnTexte(x) + QLatin1Char(',') + EntierEnTexte(y);
    };
    return {
        Libelle("Largeur") + EntierEnTexte(s.Largeur),
        Libelle("Hauteur") + EntierEnTexte(s.Hauteur),
        Libelle("Nombre de pixels") + EntierEnTexte(s.NombrePixels),
        Libelle("Minimum") + EntierEnTexte(Arrondi64(s.Minimum)) + position(s.XMinimum, s.YMinimum),
        Libelle("Maximum") + EntierEnTexte(Arrondi64(s.Maximum)) + position(s.XMaximum, s.YMaximum),
        Libelle("Somme") + EntierEnTexte(Arrondi64(s.Somme)),
        Libelle("Moyenne") + ReelEnTexte(Fini(s.Moyenne), 4),
        Libelle("Ecart-type") + ReelEnTexte(Fini(s.EcartType), 4),
        Libelle("BackGround") + ReelEnTexte(Fini(s.BackGround), 4),
    };
}

TStatistiques::TStatistiques(QWidget* parent) : QDialog(parent), ui(new Ui::TStatistiques)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    RchEdtStatistiques = ui->RchEdtStatistiques;
    RchEdtStatistiques->setFont(PoliceChasseFixe());
    RchEdtStatistiques->setTextInteractionFlags(Qt::NoTextInteraction);
    connect(ui->BtnFermer, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnImprimer, &QPushButton::clicked, this, [this] { ExecuterCommande([this] { BtnImprimerClick(); }); });
}

TStatistiques::~TStatistiques() { delete ui; }

void TStatistiques::Afficher(int numero, const QString& nom, const TStatistiquesImage& stats)
{
    RchEdtStatistiques->setPlainText(LignesStatistiques(stats).join(QLatin1Char('\n')));
    if (numero != 0) {
        const QString fichier = Main ? Main->NomFichierImage(numero) : QString();
        const QString affiche =
            fichier.isEmpty() ? QStringLiteral("*image non enregistrée*") : NomFichierSansChemin(fichier);
        setWindowTitle(QStringLiteral("#") + EntierEnTexte(numero) + QStringLiteral(" Statistiques [") + affiche +
                       QLatin1Char(']'));
    } else {
        setWindowTitle(QStringLiteral("Statistiques [") + nom + QLatin1Char(']'));
    }
}

QString TStatistiques::Texte() const { return RchEdtStatistiques->toPlainText(); }

void TStatistiques::BtnImprimerClick()
{
    // A copy is printed: the shown text never changes.
    ImprimerTexte(this, windowTitle(), QStringLiteral("Imprimer les statistiques"),
                  windowTitle() + QLatin1Char('\n') + Texte(), PoliceChasseFixe());
}

void TStatistiques::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->BtnFermer->setFocus();
}
