#include "PDialogues.h"
#include "Soutien.h"
#include "UEnteteFit.h"
#include "UFit.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Cards without their padding blanks, as one text: a failure prints readably.
std::string Texte(QStringList cartes)
{
    for (QString& carte : cartes)
        carte = carte.trimmed();
    return cartes.join(QLatin1Char('|')).toStdString();
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
        Dialogue.hide();
    }

    THistoFit Image;
    QStringList Original;
    TEnteteFit Dialogue;
    QPlainTextEdit* Editeur = nullptr;
    QStringList Historique;
    std::vector<TDemandeDialogue> Messages;
};
} // namespace

TEST_F(EnteteFit, ChargementAnnulationEtRetourSansChangement)
{
    EXPECT_EQ(Dialogue.windowTitle(), QStringLiteral("#3 Entete Fit [*image non enregistrée*]"));
    EXPECT_EQ(Editeur->toPlainText(), Original.join(QLatin1Char('\n')));

    Presser({QStringLiteral("SIMPLE  = T")}, "BtnAnnuler");
    EXPECT_EQ(std::make_pair(Dialogue.result(), Image.Entete), std::make_pair(int(QDialog::Rejected), Original));

    // Blank lines after END do not matter: no notice, no change, no history.
    Presser(Original + QStringList{QString(), QStringLiteral("   ")});
    EXPECT_EQ(std::make_tuple(Dialogue.result(), Messages.size(), Texte(Image.Entete), Historique.size()),
              std::make_tuple(int(QDialog::Accepted), size_t(0), Texte(Original), qsizetype(0)));
}

TEST_F(EnteteFit, EndManquantEtNormalisation)
{
    QStringList l = Original;
    l.removeLast(); // END
    l.insert(3, QStringLiteral("OBJECT='M51'"));
    Presser(l);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(std::make_pair(Messages[0].Genre, Messages[0].Texte), std::make_pair(TGenreDemande::Information, NoticeEnd));
    EXPECT_EQ(Image.Entete.last(), QStringLiteral("END") + QString(77, QLatin1Char(' ')));
    EXPECT_EQ(Image.Entete[3], QStringLiteral("OBJECT  ='M51'") + QString(66, QLatin1Char(' ')));
    for (const QString& carte : Image.Entete)
        EXPECT_EQ(carte.size(), 80);
    EXPECT_EQ(Historique, QStringList{LigneHistoriqueEnteteFit()});

    // An emptied editor still gives a header that closes with END.
    Dialogue.Initialiser(3, Image);
    Presser({});
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(std::make_pair(Messages[0].Texte, Image.Entete.last().trimmed()), std::make_pair(NoticeEnd, QStringLiteral("END")));
}

TEST_F(EnteteFit, NaxisEtFinReparesBScaleNulRefuse)
{
    // NAXIS1 falsified, NAXIS2 removed, a card after END: the sizes come back
    // from the image, the card is kept before the one END, after the notice.
    QStringList l;
    for (const QString& c : Original)
        if (MotCleCarte(c) == QStringLiteral("NAXIS1"))
            l << QStringLiteral("NAXIS1  =                   12");
        else if (MotCleCarte(c) != QStringLiteral("NAXIS2"))
            l << c;
    Presser(l << QStringLiteral("COMMENT typed after END") << QString());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(std::make_tuple(Messages[0].Texte, LireNaxis1Fit(Image), LireNaxis2Fit(Image)), std::make_tuple(NoticeEnd, 256, 256));
    ASSERT_GE(Image.Entete.size(), 2);
    EXPECT_EQ(Texte(Image.Entete.mid(Image.Entete.size() - 2)), "COMMENT typed after END|END");
    EXPECT_EQ(Image.Entete.filter(QRegularExpression(QStringLiteral("^END *$"))).size(), 1);

    // A BSCALE of 0 is refused: the dialog stays open, the header unchanged.
    const QStringList avant = Image.Entete;
    Historique.clear();
    Presser(QStringList(avant).mid(0, avant.size() - 1) << QStringLiteral("BSCALE  =                    0") << avant.last());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(std::tuple(Messages[0].Genre, Messages[0].Texte.contains(QStringLiteral("BSCALE"))),
              std::tuple(TGenreDemande::Erreur, true));
    // Still open, nothing changed.
    EXPECT_EQ(std::make_tuple(Dialogue.result(), Image.Entete, Historique.size()), std::make_tuple(0, avant, qsizetype(0)));
}

TEST_F(EnteteFit, ImpressionEnPdf)
{
    QTemporaryDir dossier;
    const QString pdf = dossier.filePath(QStringLiteral("entete.pdf"));
    const QString avant = Editeur->toPlainText();
    TRepondeurTest repondeur([&pdf](const TDemandeDialogue&) { return TReponseDialogue{mrCancel, {pdf}, {}}; });
    QTest::mouseClick(Dialogue.findChild<QPushButton*>(QStringLiteral("BtnImprimer")), Qt::LeftButton);
    EXPECT_EQ(Editeur->toPlainText(), avant);
    if (Dialogues::Journal().empty())
        GTEST_SKIP() << "a printer is installed: the printout went to it";
    QString sortie;
    ASSERT_EQ(LancerProgramme(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}, &sortie), 0);
    const QString contenu = sortie.simplified(); // the extractor may not keep runs of blanks
    EXPECT_TRUE(contenu.startsWith(QStringLiteral("#3 Entete Fit [*image non enregistrée*]")));
    for (const QString& carte : Original)
        EXPECT_TRUE(contenu.contains(carte.simplified())) << carte.toStdString();

    // Readable on paper: every word at least 8 points tall (a PDF point is 1/72 inch).
    QString boites;
    ASSERT_EQ(LancerProgramme(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"}, &boites), 0);
    const QRegularExpression mot(QStringLiteral("<word xMin=\"[0-9.]+\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">"));
    int mots = 0;
    for (auto it = mot.globalMatch(boites); it.hasNext(); ++mots) {
        const auto m = it.next();
        EXPECT_GE(m.captured(2).toDouble() - m.captured(1).toDouble(), 8.0) << m.captured(0).toStdString();
    }
    EXPECT_GT(mots, Original.size());
}
