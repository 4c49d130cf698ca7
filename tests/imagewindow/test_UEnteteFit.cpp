#include "PDialogues.h"
#include "Soutien.h"
#include "UEnteteFit.h"
#include "UFit.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Compared as one text: a failure then prints readably.
// Cards are compared without their padding blanks.
std::string Texte(const QStringList& l)
{
    QStringList c;
    for (const QString& carte : l)
        c << QString(carte).replace(QRegularExpression(QStringLiteral(" +$")), QString());
    return c.join(QLatin1Char('|')).toStdString();
}

class EnteteFit : public ::testing::Test {
protected:
    void SetUp() override
    {
        LireFichierFit(Image, CheminDonnees(QStringLiteral("m51_i16_256.fits")));
        Original = Image.Entete;
        Dialogue.Initialiser(3, Image, [this](const QString& ligne) { Historique << ligne; });
        Editeur = Dialogue.findChild<QPlainTextEdit*>(QStringLiteral("RchEdtEntete"));
    }
    // Presses OK as the user would, every message box answered.
    void Valider()
    {
        TRepondeurTest repondeur(RepondreToujours());
        Dialogue.show();
        QTest::mouseClick(Dialogue.findChild<QPushButton*>(QStringLiteral("BtnOK")), Qt::LeftButton);
        Messages = Dialogues::Journal();
        Dialogue.hide();
    }
    QStringList Lignes() const { return Editeur->toPlainText().split(QLatin1Char('\n')); }
    void FixerLignes(const QStringList& l) { Editeur->setPlainText(l.join(QLatin1Char('\n'))); }

    THistoFit Image;
    QStringList Original;
    TEnteteFit Dialogue;
    QPlainTextEdit* Editeur = nullptr;
    QStringList Historique;
    std::vector<TDemandeDialogue> Messages;
};

const QString NoticeEnd = QStringLiteral("L'entête Fit doit se terminer par 'END', le mot clé va être rajouté.");
} // namespace

TEST_F(EnteteFit, ChargementEtRetourSansChangement)
{
    EXPECT_EQ(Dialogue.windowTitle(), QStringLiteral("#3 Entete Fit [*image non enregistrée*]"));
    EXPECT_EQ(Texte(Lignes()), Texte(Original));
    // Trailing blank lines after END do not matter.
    FixerLignes(Original + QStringList{QString(), QStringLiteral("   ")});
    Valider();
    EXPECT_EQ(Dialogue.result(), QDialog::Accepted);
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(Texte(Image.Entete), Texte(Original));
    EXPECT_TRUE(Historique.isEmpty());
}

TEST_F(EnteteFit, EndManquantEtNormalisation)
{
    QStringList l = Original;
    l.removeLast(); // END
    l.insert(3, QStringLiteral("OBJECT='M51'"));
    FixerLignes(l);
    Valider();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Genre, TGenreDemande::Information);
    EXPECT_EQ(Messages[0].Texte, NoticeEnd);
    EXPECT_EQ(Image.Entete.last(), QStringLiteral("END") + QString(77, QLatin1Char(' ')));
    EXPECT_EQ(Image.Entete[3], QStringLiteral("OBJECT  ='M51'").leftJustified(80));
    for (const QString& carte : Image.Entete)
        EXPECT_EQ(carte.size(), 80);
    EXPECT_EQ(Texte(Historique), Texte({LigneHistoriqueEnteteFit()}));

    // An emptied editor still gives a header that closes with END.
    Dialogue.Initialiser(3, Image);
    FixerLignes({});
    Valider();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Image.Entete.last().trimmed(), QStringLiteral("END"));
}

TEST_F(EnteteFit, AnnulerLaisseLEntete)
{
    FixerLignes({QStringLiteral("SIMPLE  = T")});
    TRepondeurTest repondeur(RepondreToujours());
    Dialogue.show();
    QTest::mouseClick(Dialogue.findChild<QPushButton*>(QStringLiteral("BtnAnnuler")), Qt::LeftButton);
    EXPECT_EQ(Dialogue.result(), QDialog::Rejected);
    EXPECT_EQ(Texte(Image.Entete), Texte(Original));
    EXPECT_TRUE(Historique.isEmpty());
}

TEST_F(EnteteFit, LEnteteEcriteSeRelitJuste)
{
    const int32_t largeur = LargeurFit(Image);
    const int32_t hauteur = HauteurFit(Image);
    QStringList l;
    for (const QString& c : Original) {
        if (MotCleCarte(c) == QStringLiteral("NAXIS1"))
            l << QStringLiteral("NAXIS1  =                   12");
        else if (MotCleCarte(c) != QStringLiteral("NAXIS2"))
            l << c;
    }
    l << QStringLiteral("COMMENT after END would be read as data");
    FixerLignes(l);
    Valider();
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
}

TEST_F(EnteteFit, BScaleNulRefuse)
{
    QStringList l = Original;
    l.insert(l.size() - 1, QStringLiteral("BSCALE  =                    0"));
    FixerLignes(l);
    Valider();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Genre, TGenreDemande::Erreur);
    EXPECT_TRUE(Messages[0].Texte.contains(QStringLiteral("BSCALE")));
    EXPECT_NE(Dialogue.result(), QDialog::Accepted);
    EXPECT_EQ(Texte(Image.Entete), Texte(Original));
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
    EXPECT_EQ(Texte(Image.Entete), Texte(Original));
    if (!demandeFichier)
        GTEST_SKIP() << "a printer is installed: the printout went to it";
    const QString texte = dossier.filePath(QStringLiteral("entete.txt"));
    ASSERT_EQ(LancerProgramme(pdftotext, {QStringLiteral("-layout"), pdf, texte}), 0);
    QFile f(texte);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // The text extractor may not keep runs of blanks.
    const QString contenu = QString::fromUtf8(f.readAll()).simplified();
    EXPECT_TRUE(contenu.contains(QStringLiteral("#3 Entete Fit [*image non enregistrée*]")));
    for (const QString& carte : Original)
        EXPECT_TRUE(contenu.contains(carte.simplified())) << carte.toStdString();
}
