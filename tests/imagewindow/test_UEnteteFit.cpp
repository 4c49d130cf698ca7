#include "PDialogues.h"
#include "PErreurs.h"
#include "Soutien.h"
#include "UEnteteFit.h"
#include "UFit.h"
#include "UImages.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

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

TEST_F(EnteteFit, NaxisEtFinReparesEntetesIlliblesRefusees)
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

    // A header whose image would not survive a save and a read is refused
    // with the card and why: the dialog stays open, the header unchanged.
    const QStringList avant = Image.Entete;
    Historique.clear();
    const std::pair<const char*, const char*> refusees[] = {
        {"BSCALE  =                    0", "La carte BSCALE (« 0 ») doit être strictement positive"},
        {"BITPIX  =                   16`", "La carte BITPIX (« 16` ») ne donne pas un format d'échantillons FITS"},
        {"BSCALE  =                1E304", "Les cartes BSCALE et BZERO donnent des valeurs hors des limites des réels"},
        {"BZERO   = 'abc'", "La carte BZERO (« 'abc' ») ne donne pas un nombre réel"},
        {"NAXIS   =                    1", "La carte NAXIS (« 1 ») ne donne pas un nombre d'axes"},
        {"SIMPLE  =                    F", "La carte SIMPLE vaut « F » au lieu de T"},
    };
    for (const auto& [carte, texte] : refusees) {
        Presser(QStringList(avant).mid(0, avant.size() - 1) << carte << avant.last());
        ASSERT_EQ(Messages.size(), 1u) << carte;
        EXPECT_EQ(std::make_tuple(Messages[0].Genre, Messages[0].Texte.startsWith(QString::fromUtf8(texte)),
                                  Messages[0].Texte.endsWith(QStringLiteral("relu. L'entête n'a pas été modifiée.")),
                                  Dialogue.result(), Texte(Image.Entete), Historique.size()),
                  std::make_tuple(TGenreDemande::Erreur, true, true, 0, Texte(avant), qsizetype(0)))
            << Messages[0].Texte.toStdString();
    }
}

TEST_F(EnteteFit, ModificationsAleatoiresRefuseesOuRelues)
{
    // One card changed at random, 200 times from a fixed seed: the editor
    // refuses the header naming a card, or the image saved under it reads
    // back with its pixels, for cfitsio too; saved as typed, a refused
    // header too.
    ASSERT_TRUE(ExtraireZoneFit(Image, 0, 236, 0, 232)); // 24 x 20: quick to save
    for (size_t i = 0; i < Image.Pixels.size(); ++i)
        Image.Pixels[i] = double(i * 2731 % 32768 * 2); // on the steps of a BSCALE 2
    Image.Max = 65534;
    const QStringList base = Image.Entete;
    const std::vector<double> pixels = Image.Pixels;
    const QStringList motsCles = {"SIMPLE", "BITPIX", "NAXIS", "NAXIS1", "NAXIS2", "NAXIS3", "BSCALE", "BZERO", "END",
                                  "STL_TRFT", "  BZERO", "BSCAL\u00C9"};
    const QStringList valeurs = {"T", "F", "16", "16`", "-32", "0", "-1", "2", "0.5", "2,5", "1E304", "1E-300", "1E400",
                                 "32768", "-32768", "abc", "", "+2", "99999999999", "1.0D0", "NaN", "2 / x", "T x"};
    const QString caracteres = QStringLiteral(" =/'`,.-+0123456789ABDEFT\u00E9\t");
    std::mt19937 alea(20240611);
    const auto choisir = [&](const auto& liste) { return liste[alea() % liste.size()]; };
    QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("essai.fit"));
    int refusees = 0;
    for (int cas = 0; cas < 200 && !HasFailure(); ++cas) {
        QStringList lignes = base;
        QString& ligne = lignes[alea() % lignes.size()];
        ligne = ligne.leftJustified(80);
        switch (alea() % 4) {
        case 0: ligne = choisir(motsCles).leftJustified(8) + "= " + choisir(valeurs).rightJustified(20); break;
        case 1: ligne = MotCleCarte(ligne).leftJustified(8) + "= " + choisir(valeurs); break;
        case 2: ligne.insert(alea() % 81, choisir(caracteres)); break;
        default: ligne[alea() % 80] = choisir(caracteres); break;
        }
        SCOPED_TRACE(std::to_string(cas) + ": " + ligne.toStdString());
        Editeur->setPlainText(lignes.join(QLatin1Char('\n')));
        THistoFit image = Image;
        try {
            image.Entete = Dialogue.CartesEditees();
        } catch (const EStelor& e) {
            ++refusees;
            EXPECT_TRUE(e.Message().contains(QStringLiteral("carte"))) << e.Message().toStdString();
            image.Entete.clear();
            for (const QString& l : lignes)
                image.Entete << NormaliserCarte(l).left(80);
        }
        EXPECT_NO_THROW({
            EnregistrerFit(image, nom);
            EXPECT_EQ(std::pair(FitLu(nom).Pixels, LireFitCfitsio(nom)), std::pair(pixels, pixels));
        });
    }
    EXPECT_TRUE(refusees > 10 && refusees < 190) << refusees;
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
