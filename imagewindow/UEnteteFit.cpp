#include "UEnteteFit.h"

#include "ui_UEnteteFit.h"

#include "PApplication.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "PImpression.h"
#include "UCartesFit.h"
#include "UEcritureFit.h"
#include "UMain.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <QFileInfo>
#include <QHash>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextDocument>

TEnteteFit* EnteteFit = nullptr;

namespace {
const QString CarteEnd = QStringLiteral("END");

QString Completer80(const QString& texte) { return texte.left(80).leftJustified(80, QLatin1Char(' ')); }

// Inserts a NAXISn card the user removed, after the last NAXIS card (or
// before END), so that the file keeps its size.
void AssurerCarte(QStringList& cartes, const QString& motCle)
{
    for (const QString& c : cartes)
        if (MotCleCarte(c) == motCle)
            return;
    qsizetype position = cartes.size() - 1; // before END
    for (qsizetype i = 0; i + 1 < cartes.size(); ++i)
        if (MotCleCarte(cartes[i]).startsWith(QStringLiteral("NAXIS")))
            position = i + 1;
    cartes.insert(position, NormaliserCarte(motCle + QStringLiteral("=") + QStringLiteral("0").rightJustified(21)));
}

// A scale the user changed is written as typed or refused: never rounded
// into the pixels nor dropped without a word. BSCALE 1 with BZERO 0 or 32768
// leaves the choice to the writer, which reads every value back the same.
void RefuserEchelleNonGardee(const THistoFit& image, const QStringList& cartes, const QString& suite)
{
    const double bscale = LireBScaleFit(cartes), bzero = LireBZeroFit(cartes);
    if (bscale == LireBScaleFit(image.Entete) && bzero == LireBZeroFit(image.Entete))
        return;
    if (bscale == 1 && (bzero == 0 || bzero == 32768))
        return;
    double ecrit = 1, decalage = 0;
    EchelleEnregistrementFit(image, cartes, ecrit, decalage);
    if (ecrit != bscale || decalage != bzero)
        LeverErreur(QStringLiteral("Les cartes BSCALE (%1) et BZERO (%2) ne peuvent pas être gardées : les valeurs "
                                   "de l'image n'y tombent pas et seraient arrondies. Stelor enregistrerait BSCALE %3 "
                                   "et BZERO %4.")
                        .arg(TexteReelCourt(bscale), TexteReelCourt(bzero), TexteReelCourt(ecrit),
                             TexteReelCourt(decalage)) +
                    suite);
}

bool MemesCartes(const QStringList& a, const QStringList& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (SansBlancsFinaux(a[i]) != SansBlancsFinaux(b[i]))
            return false;
    return true;
}
} // namespace

QString LigneHistoriqueEnteteFit() { return QStringLiteral("Modification de l'entête Fit"); }

TEnteteFit::TEnteteFit(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TEnteteFit)
{
    ui->setupUi(this);
    setFixedSize(616, 316);
    ui->RchEdtEntete->setFont(PoliceChasseFixe());
    connect(ui->BtnOK, &QPushButton::clicked, this, Commande([this] { BtnOKClick(); }));
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BtnImprimer, &QPushButton::clicked, this, Commande([this] { BtnImprimerClick(); }));
}

TEnteteFit::~TEnteteFit() { delete ui; }

void TEnteteFit::Initialiser(int numero, THistoFit& image, TRappelEnteteModifiee rappel)
{
    Numero = numero;
    Image = &image;
    FRappel = std::move(rappel);
    ui->RchEdtEntete->setPlainText(image.Entete.join(QLatin1Char('\n')));
    QString nom;
    if (Main)
        nom = NomFichierSansChemin(Main->NomFichierImage(numero));
    if (nom.isEmpty())
        nom = QStringLiteral("*image non enregistrée*");
    setWindowTitle(QStringLiteral("#") + EntierEnTexte(numero) + QStringLiteral(" Entete Fit [") + nom
                   + QStringLiteral("]"));
}

QStringList TEnteteFit::CartesEditees(QStringList* avis) const
{
    QStringList lignes = ui->RchEdtEntete->toPlainText().split(QLatin1Char('\n'));
    // An editor emptied of everything still holds one empty line.
    if (lignes.size() == 1 && lignes.front().isEmpty())
        lignes.clear();
    // Blank lines after the last card do not count.
    while (!lignes.isEmpty() && lignes.last().trimmed().isEmpty())
        lignes.removeLast();
    const bool finDerniere = !lignes.isEmpty() && lignes.last().trimmed() == CarteEnd;
    // One END, last: a card typed after an END is kept before it, never read
    // as pixel data nor lost.
    QStringList cartes;
    for (const QString& ligne : lignes)
        if (ligne.trimmed() != CarteEnd)
            cartes.append(NormaliserCarte(ligne).left(80));
    cartes.append(Completer80(CarteEnd));

    const QString pasModifiee = QStringLiteral(" L'entête n'a pas été modifiée.");
    const QString defaut = DefautEnteteFit(cartes);
    if (!defaut.isEmpty())
        LeverErreur(defaut + pasModifiee);
    // What the user typed or changed must read the same in every FITS
    // program; the cards that came with the file are left as they came. A
    // copy of one of them is typed.
    QHash<QString, int> restantes;
    if (Image)
        for (const QString& c : Image->Entete)
            ++restantes[SansBlancsFinaux(c)];
    QList<qsizetype> tapees;
    for (qsizetype i = 0; i + 1 < cartes.size(); ++i)
        if (int& n = restantes[SansBlancsFinaux(cartes[i])]; n > 0)
            --n;
        else
            tapees << i;
    for (qsizetype i : tapees) {
        if (const QString d = DefautCarteFit(cartes[i]); !d.isEmpty())
            LeverErreur(d + pasModifiee);
        if (const QString d = DoublonCarteFit(cartes, i); !d.isEmpty())
            LeverErreur(d + pasModifiee);
    }
    if (Image)
        RefuserEchelleNonGardee(*Image, cartes, pasModifiee);

    // Characters FITS cannot hold: the card takes the form it will be
    // written in, and the user is told.
    QStringList changees;
    for (qsizetype i : tapees)
        if (CarteAsciiFit(cartes[i]) != cartes[i]) {
            const QString ecrite = Completer80(CarteEcriteFit(cartes[i]));
            changees << QStringLiteral("La carte « %1 » sera écrite « %2 ».")
                            .arg(SansBlancsFinaux(cartes[i]), SansBlancsFinaux(ecrite));
            cartes[i] = ecrite;
        }
    if (avis && !changees.isEmpty())
        *avis << changees.join(QLatin1Char('\n')) +
                     QStringLiteral("\nUn fichier FITS ne tient que les caractères ASCII imprimables : les accents "
                                    "sont retirés, les autres caractères deviennent des blancs.");
    if (Image) {
        AssurerCarte(cartes, QStringLiteral("NAXIS1"));
        AssurerCarte(cartes, QStringLiteral("NAXIS2"));
        FixerDimensionsEnteteFit(cartes, LargeurFit(*Image), HauteurFit(*Image));
    }
    if (avis && !finDerniere)
        *avis << QStringLiteral("L'entête Fit doit se terminer par 'END', le mot clé va être rajouté.");
    return cartes;
}

void TEnteteFit::BtnOKClick()
{
    if (!Image) {
        accept();
        return;
    }
    QStringList avis;
    QStringList cartes;
    try {
        cartes = CartesEditees(&avis);
    } catch (const EStelor& e) {
        // The dialog stays open so the user can mend the value.
        Dialogues::Erreur(e.Message());
        return;
    }
    for (const QString& a : avis)
        Dialogues::Information(a);
    // Padding the program's own short cards to 80 characters is no change.
    const bool modifiee = !MemesCartes(cartes, Image->Entete);
    Image->Entete = cartes;
    accept();
    if (modifiee && FRappel)
        FRappel(LigneHistoriqueEnteteFit());
}

QString TEnteteFit::TexteImpression() const { return windowTitle() + QLatin1Char('\n') + ui->RchEdtEntete->toPlainText(); }

void TEnteteFit::BtnImprimerClick()
{
    // A copy is printed: the editor's text never changes.
    ImprimerTexte(this, windowTitle(), QStringLiteral("Imprimer l'entête Fit"), TexteImpression(), PoliceChasseFixe());
}

void TEnteteFit::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->BtnOK->setFocus();
}
