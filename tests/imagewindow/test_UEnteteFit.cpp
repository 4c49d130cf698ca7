#include "PDialogues.h"
#include "Soutien.h"
#include "UEnteteFit.h"
#include "UFit.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Cards compared as one text without their padding blanks: a failure prints readably.
std::string Texte(const QStringList& cartes)
{
    QStringList c;
    for (const QString& carte : cartes)
        c << carte.trimmed();
    return c.join(QLatin1Char('|')).toStdString();
}

const QString NoticeEnd = QStringLiteral("L'entête Fit doit se terminer par 'END', le mot clé va être rajouté.");

class EnteteFit : public ::testing::Test {
protected:
    void SetUp() override
    {
        LireFichierFit(Image, CheminDonnees(QStringLiteral("m51_i16_256.fits")));
        Original = Image.Entete;
        Dialogue.Initialiser(3, Image, [this](const QString& ligne) { Historique << ligne; });
        Editeur = Dialogue.findChild<QPlainTextEdit*>(QStringLiteral("RchEdtEntete"));
    }
    // Sets the editor's lines and presses a button, every message answered.
    void Presser(const QStringList& lignes, const char* bouton = "BtnOK")
    {
        Editeur->setPlainText(lignes.join(QLatin1Char('\n')));
        TRepondeurTest repondeur(RepondreToujours());
        Dialogue.setResult(0);
        Dialogue.show();
        QTest::mouseClick(Dialogue.findChild<QPushButton*>(QString::fromLatin1(bouton)), Qt::LeftButton);
        Messages = Dialogues::Journal();
        Ouvert = Dialogue.isVisible();
        Dialogue.hide();
    }

    THistoFit Image;
    QStringList Original;
    TEnteteFit Dialogue;
    QPlainTextEdit* Editeur = nullptr;
    QStringList Historique;
    std::vector<TDemandeDialogue> Messages;
    bool Ouvert = false; // still open after the button
};
} // namespace

TEST_F(EnteteFit, ChargementAnnulationEtRetourSansChangement)
{
    EXPECT_EQ(Dialogue.windowTitle(), QStringLiteral("#3 Entete Fit [*image non enregistrée*]"));
    EXPECT_EQ(Editeur->toPlainText(), Original.join(QLatin1Char('\n')));

    Presser({QStringLiteral("SIMPLE  = T")}, "BtnAnnuler");
    EXPECT_EQ(Dialogue.result(), QDialog::Rejected);
    EXPECT_EQ(Image.Entete, Original);

    // Blank lines after END do not matter: no notice, no change, no history.
    Presser(Original + QStringList{QString(), QStringLiteral("   ")});
    EXPECT_EQ(Dialogue.result(), QDialog::Accepted);
    EXPECT_FALSE(Ouvert);
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(Texte(Image.Entete), Texte(Original));
    EXPECT_TRUE(Historique.isEmpty());
}

TEST_F(EnteteFit, EndManquantEtNormalisation)
{
    QStringList l = Original;
    l.removeLast(); // END
    l.insert(3, QStringLiteral("OBJECT='M51'"));
    Presser(l);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Genre, TGenreDemande::Information);
    EXPECT_EQ(Messages[0].Texte, NoticeEnd);
    EXPECT_EQ(Image.Entete.last(), QStringLiteral("END") + QString(77, QLatin1Char(' ')));
    EXPECT_EQ(Image.Entete[3], QStringLiteral("OBJECT  ='M51'") + QString(66, QLatin1Char(' ')));
    for (const QString& carte : Image.Entete)
        EXPECT_EQ(carte.size(), 80);
    EXPECT_EQ(Historique, QStringList{LigneHistoriqueEnteteFit()});

    // An emptied editor still gives a header that closes with END.
    Dialogue.Initialiser(3, Image);
    Presser({});
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Texte, NoticeEnd);
    EXPECT_EQ(Image.Entete.last().trimmed(), QStringLiteral("END"));
}

TEST_F(EnteteFit, LEnteteEcriteSeRelitJuste)
{
    const int32_t largeur = LargeurFit(Image), hauteur = HauteurFit(Image);
    // NAXIS1 falsified, NAXIS2 removed, a card after END.
    QStringList l;
    for (const QString& c : Original)
        if (MotCleCarte(c) == QStringLiteral("NAXIS1"))
            l << QStringLiteral("NAXIS1  =                   12");
        else if (MotCleCarte(c) != QStringLiteral("NAXIS2"))
            l << c;
    Presser(l << QStringLiteral("COMMENT after END would be read as data"));
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(LireNaxis1Fit(Image), largeur);
    EXPECT_EQ(LireNaxis2Fit(Image), hauteur);
    EXPECT_EQ(Image.Entete.last().trimmed(), QStringLiteral("END"));

    QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("relu.fit"));
    EnregistrerFit(Image, nom);
    THistoFit relue;
    LireFichierFit(relue, nom);
    ASSERT_EQ(LargeurFit(relue), largeur);
    ASSERT_EQ(HauteurFit(relue), hauteur);
    EXPECT_EQ(relue.Pixels, Image.Pixels);

    // A BSCALE of 0 is refused: the dialog stays open, the header unchanged.
    const QStringList avant = Image.Entete;
    Historique.clear();
    QStringList b = avant;
    b.insert(b.size() - 1, QStringLiteral("BSCALE  =                    0"));
    Presser(b);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Genre, TGenreDemande::Erreur);
    EXPECT_TRUE(Messages[0].Texte.contains(QStringLiteral("BSCALE")));
    EXPECT_TRUE(Ouvert);
    EXPECT_EQ(Image.Entete, avant);
    EXPECT_TRUE(Historique.isEmpty());
}

TEST_F(EnteteFit, ImpressionEnPdf)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext absent";
    QTemporaryDir dossier;
    const QString pdf = dossier.filePath(QStringLiteral("entete.pdf"));
    const QString avant = Editeur->toPlainText();
    bool demandeFichier = false;
    TRepondeurTest repondeur([&](const TDemandeDialogue& d) {
        TReponseDialogue r;
        if (d.Genre == TGenreDemande::EnregistrerFichier) {
            demandeFichier = true;
            r.Fichiers = QStringList{pdf};
        }
        return r;
    });
    QTest::mouseClick(Dialogue.findChild<QPushButton*>(QStringLiteral("BtnImprimer")), Qt::LeftButton);
    EXPECT_EQ(Editeur->toPlainText(), avant);
    EXPECT_EQ(Image.Entete, Original);
    if (!demandeFichier)
        GTEST_SKIP() << "a printer is installed: the printout went to it";
    const QString texte = dossier.filePath(QStringLiteral("entete.txt"));
    ASSERT_EQ(LancerProgramme(pdftotext, {QStringLiteral("-layout"), pdf, texte}), 0);
    QFile f(texte);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // The text extractor may not keep runs of blanks.
    const QString contenu = QString::fromUtf8(f.readAll()).simplified();
    EXPECT_TRUE(contenu.startsWith(QStringLiteral("#3 Entete Fit [*image non enregistrée*]")));
    for (const QString& carte : Original)
        EXPECT_TRUE(contenu.contains(carte.simplified())) << carte.toStdString();
}
