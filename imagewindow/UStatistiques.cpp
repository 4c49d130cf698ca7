#include "UStatistiques.h"

#include "ui_UStatistiques.h"

#include "PApplication.h"
#include "PDialogues.h"
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

QFont PoliceStatistiques()
{
    QFont police(QStringLiteral("Courier New"));
    police.setStyleHint(QFont::Monospace);
    if (!QFontInfo(police).fixedPitch())
        police = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    police.setPixelSize(11);
    return police;
}

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
    RchEdtStatistiques->setFont(PoliceStatistiques());
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
    QTextDocument document;
    document.setDefaultFont(PoliceStatistiques());
    document.setPlainText(windowTitle() + QLatin1Char('\n') + Texte());
    const QString titre = windowTitle();
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        QPrinter imprimante(QPrinterInfo::defaultPrinter());
        imprimante.setDocName(titre);
        document.print(&imprimante);
        return;
    }
    // No printer on this system: the printout becomes a PDF file.
    const QString nom = Dialogues::ChoisirFichierEnregistrement(this, QStringLiteral("Imprimer les statistiques"),
                                                                QStringLiteral("Fichier PDF (*.pdf)"));
    if (nom.isEmpty())
        return;
    QTemporaryDir dossier;
    const QString brouillon = dossier.path() + QStringLiteral("/statistiques.pdf");
    {
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setPageSize(QPageSize(QPageSize::A4));
        imprimante.setDocName(titre);
        imprimante.setCreator(QStringLiteral("Stelor"));
        imprimante.setOutputFileName(brouillon);
        document.print(&imprimante);
    } // the PDF is complete once the printer is gone
    if (!dossier.isValid() || !QFileInfo::exists(brouillon))
        LeverErreur(QStringLiteral("Impossible d'imprimer les statistiques dans le fichier %1.").arg(nom));
    EcrireFichierSur(nom, LireFichierComplet(brouillon));
}

void TStatistiques::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->BtnFermer->setFocus();
}
