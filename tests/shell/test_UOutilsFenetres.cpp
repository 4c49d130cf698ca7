#include "PErreurs.h"
#include "Soutien.h"
#include "UOutilsFenetres.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSpinBox>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace {

// Key as the filter leaves it, typed at the end of the text.
QChar Filtrer(const QString& texte, QChar touche, int genre, int decimales = 2, bool toutSelectionner = false)
{
    QLineEdit edit(texte);
    if (toutSelectionner)
        edit.selectAll();
    if (genre == 0)
        FiltrerToucheEntier(&edit, touche);
    else if (genre == 1)
        FiltrerToucheReel(&edit, decimales, touche);
    else
        FiltrerToucheReelSigne(&edit, decimales, touche);
    return touche;
}

} // namespace

TEST(FiltresDeTouches, Regles)
{
    const QChar rien;
    // Two decimals already typed: digits and commas are dropped, wherever the caret is.
    EXPECT_EQ(Filtrer("3,14", '5', 1), rien);
    EXPECT_EQ(Filtrer("3,14", '.', 1), rien);
    EXPECT_EQ(Filtrer("3,1", '5', 1), QChar('5'));
    EXPECT_EQ(Filtrer("314", '.', 1), QChar(','));
    EXPECT_EQ(Filtrer("314", '-', 1), rien);
    EXPECT_EQ(Filtrer("314", 'a', 1), rien);
    EXPECT_EQ(Filtrer("3,14", '\b', 1), QChar('\b'));
    EXPECT_EQ(Filtrer("-3", '-', 2), rien);
    EXPECT_EQ(Filtrer("3", '-', 2), QChar('-'));
    EXPECT_EQ(Filtrer("12", ',', 0), rien);
    EXPECT_EQ(Filtrer("12", '7', 0), QChar('7'));
    EXPECT_EQ(Filtrer("3,1", '1', 1, 0), rien); // no decimal allowed at all

    // Over a whole selection an accepted key replaces the text.
    QLineEdit edit("3,14");
    edit.selectAll();
    QChar touche('5');
    FiltrerToucheReel(&edit, 2, touche);
    EXPECT_EQ(touche, QChar('5'));
    EXPECT_EQ(edit.text(), "");
    edit.setText("3,14");
    edit.selectAll();
    touche = 'x';
    FiltrerToucheReel(&edit, 2, touche);
    EXPECT_EQ(touche, rien);
    EXPECT_EQ(edit.text(), "3,14"); // a dropped key leaves it
}

TEST(FiltresDeTouches, FiltreDEvenementsSurUneZoneDeSaisie)
{
    QLineEdit reel, signe, entier;
    InstallerFiltreSaisie(&reel, TGenreSaisie::Reel, 2);
    InstallerFiltreSaisie(&signe, TGenreSaisie::ReelSigne, 2);
    InstallerFiltreSaisie(&entier, TGenreSaisie::Entier);
    QTest::keyClicks(&reel, "3.145-");
    EXPECT_EQ(reel.text(), "3,14");
    QTest::keyClicks(&signe, "--1.5.57");
    EXPECT_EQ(signe.text(), "-1,55");
    QTest::keyClicks(&entier, "1a2-3,4");
    EXPECT_EQ(entier.text(), "1234");
    entier.selectAll();
    QTest::keyClicks(&entier, "9");
    EXPECT_EQ(entier.text(), "9");
    QTest::keyClick(&entier, Qt::Key_Backspace);
    EXPECT_EQ(entier.text(), "");
    // Navigation keys still work.
    reel.setText("12");
    QTest::keyClick(&reel, Qt::Key_Home);
    QTest::keyClicks(&reel, "5");
    EXPECT_EQ(reel.text(), "512");
}

TEST(Pas, ReelsEtEntiers)
{
    QLineEdit e("1,2");
    EXPECT_TRUE(IncrementerEditReel(&e, TBoutonHautBas::Suivant, 1, 0.1, 0.2));
    EXPECT_EQ(e.text(), "1,3");
    e.setText("0,2");
    EXPECT_FALSE(IncrementerEditReel(&e, TBoutonHautBas::Precedent, 1, 0.1, 0.2));
    EXPECT_EQ(e.text(), "0,2");
    e.setText("0,3");
    EXPECT_TRUE(IncrementerEditReel(&e, TBoutonHautBas::Precedent, 1, 0.1, 0.2));
    EXPECT_EQ(e.text(), "0,2");
    // The minimum is compared as shown with the edit's decimals.
    e.setText("0,15");
    EXPECT_FALSE(IncrementerEditReel(&e, TBoutonHautBas::Precedent, 1, 0.1, 0.2));
    e.setText("0,1");
    EXPECT_TRUE(IncrementerEditReel(&e, TBoutonHautBas::Precedent, 1, 0.1, 0));
    EXPECT_EQ(e.text(), "0,0");
    e.setText("1.5");
    EXPECT_THROW(IncrementerEditReel(&e, TBoutonHautBas::Suivant, 1, 0.1, 0), EStelor);

    QLineEdit n("10");
    EXPECT_TRUE(IncrementerEditEntier(&n, TBoutonHautBas::Suivant, 5, 0, 12));
    EXPECT_EQ(n.text(), "15"); // may pass the bound by less than a step
    EXPECT_FALSE(IncrementerEditEntier(&n, TBoutonHautBas::Suivant, 5, 0, 12));
    n.setText("3");
    EXPECT_TRUE(IncrementerEditEntier(&n, TBoutonHautBas::Precedent, 5, 0, 12));
    EXPECT_EQ(n.text(), "-2");
    EXPECT_FALSE(IncrementerEditEntier(&n, TBoutonHautBas::Precedent, 5, 0, 12));
    n.setText("2147483645"); // never past the integer range
    EXPECT_TRUE(IncrementerEditEntier(&n, TBoutonHautBas::Suivant, 5, 0, 2147483647));
    EXPECT_EQ(n.text(), "2147483647");
}

TEST(Pas, HautBasNeDonneQueLaDirection)
{
    QSpinBox hb;
    std::vector<TBoutonHautBas> clics;
    RelierHautBas(&hb, [&](TBoutonHautBas b) { clics.push_back(b); });
    EXPECT_EQ(hb.minimum(), 0);
    EXPECT_EQ(hb.maximum(), 5000);
    hb.stepUp();
    hb.stepUp();
    hb.stepDown();
    EXPECT_EQ(hb.value(), 2500);
    EXPECT_EQ(clics, (std::vector<TBoutonHautBas>{TBoutonHautBas::Suivant, TBoutonHautBas::Suivant,
                                                  TBoutonHautBas::Precedent}));
}

TEST(Retouches, ChampsVidesOuHorsBornes)
{
    QLineEdit e;
    const std::pair<const char*, const char*> sigma[] = {{"", "0,2"}, {"0,1", "0,2"}, {"0,2", "0,2"}, {"0,5", "0,5"}};
    for (const auto& [avant, apres] : sigma) {
        e.setText(avant);
        EditSigmaMinimum(&e);
        EXPECT_EQ(e.text(), apres) << avant;
    }
    const std::pair<const char*, const char*> coef[] = {{"", "0,0"}, {"-1", "0,0"}, {"0,3", "0,3"}};
    for (const auto& [avant, apres] : coef) {
        e.setText(avant);
        EditCoefficientPositif(&e);
        EXPECT_EQ(e.text(), apres) << avant;
    }
    const std::pair<const char*, const char*> entier[] = {{"", "0"}, {"-", "0"}, {"-5", "-5"}};
    for (const auto& [avant, apres] : entier) {
        e.setText(avant);
        EditEntierVide(&e);
        EXPECT_EQ(e.text(), apres) << avant;
    }
}

TEST(Fenetres, EvidenceEtMenus)
{
    QLabel l("x");
    MettreEnEvidence(&l, true);
    EXPECT_TRUE(l.font().bold());
    EXPECT_EQ(l.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    MettreEnEvidence(&l, false);
    EXPECT_FALSE(l.font().bold());
    EXPECT_EQ(l.palette().color(QPalette::WindowText), QColor(0, 0, 0));

    QComboBox plans;
    plans.addItems({"Rouge", "Vert", "Bleu"});
    plans.setCurrentIndex(2);
    EXPECT_EQ(CouleurIndex(&plans), 0xFF0000);
    plans.setCurrentIndex(1);
    EXPECT_EQ(CouleurIndex(&plans), 32768);

    QMenuBar barre;
    QMenu* fichier = barre.addMenu("&Fichier");
    QAction* ouvrir = fichier->addAction("Ouvrir");
    barre.addMenu("&Aide");
    DesactiverMenu(&barre);
    for (QAction* a : barre.actions())
        EXPECT_FALSE(a->isEnabled());
    EXPECT_TRUE(ouvrir->isEnabled()); // only the top level
    ActiverMenu(&barre);
    for (QAction* a : barre.actions())
        EXPECT_TRUE(a->isEnabled());
}

TEST(Fenetres, MenuZoom)
{
    auto* menu = new QMenu("Zoom");
    const QList<QAction*> items = CreerMenuZoom(menu);
    ASSERT_EQ(items.size(), 12);
    EXPECT_EQ(menu->actions(), items);
    const QStringList titres = {"Moins", "25%", "50%", "100%", "125%", "150%", "200%", "300%", "500%", "Plus", "",
                                "Définir..."};
    const int tags[] = {0, 25, 50, 100, 125, 150, 200, 300, 500, 0, 0, 0};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(items[i]->text(), titres[i]) << i;
        EXPECT_EQ(items[i]->data().toInt(), tags[i]) << i;
    }
    EXPECT_EQ(items[0]->statusTip(), "Zoom inférieur");
    EXPECT_EQ(items[0]->shortcut(), QKeySequence("Ctrl+K"));
    EXPECT_EQ(items[1]->statusTip(), "Zoom 25% de la taille originale");
    EXPECT_EQ(items[8]->statusTip(), "Zoom 500% de la taille originale");
    EXPECT_TRUE(items[1]->shortcut().isEmpty());
    EXPECT_EQ(items[9]->statusTip(), "Zoom supérieur");
    EXPECT_EQ(items[9]->shortcut(), QKeySequence("Ctrl+L"));
    EXPECT_TRUE(items[10]->isSeparator());
    EXPECT_EQ(items[11]->statusTip(), "Zoom personnalisé...");
    EXPECT_EQ(items[3]->objectName(), "Zoom100p100");

    QList<QAction*> reference = items;
    DetruireMenuZoom(reference);
    EXPECT_TRUE(reference.isEmpty());
    QPointer<QAction> premier = items[0];
    EXPECT_FALSE(premier.isNull());
    delete menu; // the items go with their menu
    EXPECT_TRUE(premier.isNull());
}

namespace {

class TCapteurAdresses : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Adresses;
public slots:
    void Ouvrir(const QUrl& url) { Adresses << url; }
};

} // namespace

TEST(Fenetres, MessageAdresseEtCourriel)
{
    TRepondeurTest rep(RepondreToujours());
    AfficherMessage("Bonjour");
    ASSERT_EQ(Dialogues::Journal().size(), 1u);
    EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::Information);
    EXPECT_EQ(Dialogues::Journal()[0].Texte, "Bonjour");

    TCapteurAdresses capteur;
    QDesktopServices::setUrlHandler("https", &capteur, "Ouvrir");
    QDesktopServices::setUrlHandler("mailto", &capteur, "Ouvrir");
    EXPECT_TRUE(OuvrirAdresseInternet("https://stelor.example.org/"));
    EXPECT_TRUE(EnvoyerCourriel("", "auteur@example.org", "Stelor", ""));
    EXPECT_TRUE(EnvoyerCourriel("", "auteur@example.org", "Essai à deux & plus", "Ligne 1\nLigne 2"));
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");

    ASSERT_EQ(capteur.Adresses.size(), 3);
    EXPECT_EQ(capteur.Adresses[0], QUrl("https://stelor.example.org/"));
    EXPECT_EQ(capteur.Adresses[1].scheme(), "mailto");
    EXPECT_EQ(capteur.Adresses[1].path(), "auteur@example.org");
    EXPECT_EQ(QUrlQuery(capteur.Adresses[1]).queryItemValue("subject"), "Stelor");
    EXPECT_FALSE(QUrlQuery(capteur.Adresses[1]).hasQueryItem("body"));
    const QUrlQuery q(capteur.Adresses[2]);
    EXPECT_EQ(q.queryItemValue("subject", QUrl::FullyDecoded), "Essai à deux & plus");
    EXPECT_EQ(q.queryItemValue("body", QUrl::FullyDecoded), "Ligne 1\nLigne 2");
}

#include "test_UOutilsFenetres.moc"
