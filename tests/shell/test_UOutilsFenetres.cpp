#include "PErreurs.h"
#include "Soutien.h"
#include "UAnimation.h"
#include "UBordures.h"
#include "UConversionImages.h"
#include "UConvolution.h"
#include "UDDPGaussien.h"
#include "UDDPNeutre.h"
#include "UDDPPasseBas.h"
#include "UDemandeValeur.h"
#include "UEnregistrementSelection.h"
#include "UFenetreSeuils.h"
#include "UGaussien.h"
#include "UInstallationImage.h"
#include "UInstallationPretraitement.h"
#include "UInstallationTrichromie.h"
#include "UInstallationVisionneuse.h"
#include "UMain.h"
#include "UMasqueFlou.h"
#include "UOutilsFenetres.h"
#include "UParametres.h"
#include "UPreferences.h"
#include "URedimensionnement.h"
#include "UTranslationn.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QStyleOptionSpinBox>
#include <QDesktopServices>
#include <QDialog>
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

enum { Entier, Reel, ReelSigne };

// The key as the filter leaves it ('0' for a dropped key), typed on the text.
char Filtrer(const char* texte, char touche, int genre, int decimales = 2)
{
    QLineEdit edit(texte);
    QChar t = QLatin1Char(touche);
    if (genre == Entier)
        FiltrerToucheEntier(&edit, t);
    else if (genre == Reel)
        FiltrerToucheReel(&edit, decimales, t);
    else
        FiltrerToucheReelSigne(&edit, decimales, t);
    return t.isNull() ? '0' : static_cast<char>(t.unicode());
}

} // namespace

TEST(FiltresDeTouches, Regles)
{
    const std::tuple<const char*, char, int, int, char> cas[] = {
        // Two decimals already typed: digits and commas are dropped, wherever the caret is.
        {"3,14", '5', Reel, 2, '0'}, {"3,14", '.', Reel, 2, '0'}, {"3,1", '5', Reel, 2, '5'},
        {"314", '.', Reel, 2, ','},  {"314", '-', Reel, 2, '0'},  {"314", 'a', Reel, 2, '0'},
        {"3,14", '\b', Reel, 2, '\b'}, {"3,1", '1', Reel, 0, '0'}, // no decimal allowed at all
        {"-3", '-', ReelSigne, 2, '0'}, {"3", '-', ReelSigne, 2, '-'},
        {"12", ',', Entier, 0, '0'},   {"12", '7', Entier, 0, '7'}, {"12", '\b', Entier, 0, '\b'},
    };
    for (const auto& [texte, touche, genre, decimales, reste] : cas)
        EXPECT_EQ(Filtrer(texte, touche, genre, decimales), reste) << texte << " " << touche;

    // Over a whole selection an accepted key first clears the text; a dropped key leaves it.
    QLineEdit edit("3,14");
    for (const auto& [touche, reste, texte] :
         {std::tuple<char, char, const char*>{'x', 0, "3,14"}, {'5', '5', ""}}) {
        edit.setText("3,14");
        edit.selectAll();
        QChar t = QLatin1Char(touche);
        FiltrerToucheReel(&edit, 2, t);
        EXPECT_EQ(t, QChar(QLatin1Char(reste)));
        EXPECT_EQ(edit.text(), texte);
    }
}

TEST(FiltresDeTouches, FiltreDEvenementsSurUneZoneDeSaisie)
{
    QLineEdit reel, signe, entier, unChiffre;
    InstallerFiltreSaisie(&unChiffre, TGenreSaisie::Reel, 1);
    InstallerFiltreSaisie(&reel, TGenreSaisie::Reel, 2);
    InstallerFiltreSaisie(&signe, TGenreSaisie::ReelSigne, 2);
    InstallerFiltreSaisie(&entier, TGenreSaisie::Entier);
    QTest::keyClicks(&reel, "3.145-");
    QTest::keyClicks(&signe, "--1.5.57");
    QTest::keyClicks(&entier, "1a2-3,4");
    EXPECT_EQ(QStringList({reel.text(), signe.text(), entier.text()}), QStringList({"3,14", "-1,55", "1234"}));
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

    // A pasted text comes in whole when every character would have been
    // typed, '.' becoming ',', and the text it leaves holds no more decimals
    // than the field's; otherwise nothing comes in.
    const std::tuple<QLineEdit*, const char*, const char*, const char*> collages[] = {
        {&entier, "12", "34", "1234"},   {&entier, "12", "-5", "12"},      {&entier, "12", "3\n4", "12"},
        {&entier, "12", "1e999", "12"},  {&reel, "", "1.5", "1,5"},        {&reel, "", "-5", ""},
        {&reel, "7", ",5,", "7"},        {&reel, "", "é€𝛼", ""},          {&signe, "", "-2,5", "-2,5"},
        {&signe, "", "--5", ""},         {&signe, "1", "abc", "1"},        {&signe, "", " 3", ""},
        {&unChiffre, "", "3,25", ""},    {&unChiffre, "", "3.2", "3,2"},   {&unChiffre, "3,2", "5", "3,2"},
        {&unChiffre, "3", ",25", "3"},   {&unChiffre, "3", ",2", "3,2"},   {&reel, "", "3,145", ""},
        {&reel, "3,1", "4", "3,14"},     {&signe, "", "-2,555", ""},       {&signe, "2,55", "-", "2,55-"},
    };
    for (const auto& [edit, avant, colle, apres] : collages) {
        edit->setText(QString::fromUtf8(avant));
        QGuiApplication::clipboard()->setText(QString::fromUtf8(colle));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), QString::fromUtf8(apres)) << colle;
    }
}

TEST(Pas, ReelsEtEntiers)
{
    const auto haut = TBoutonHautBas::Suivant, bas = TBoutonHautBas::Precedent;
    QLineEdit e;
    // text, button, minimum -> changed, new text (one decimal, step 0.1)
    const std::tuple<const char*, TBoutonHautBas, double, bool, const char*> reels[] = {
        {"1,2", haut, 0.2, true, "1,3"},   {"0,2", bas, 0.2, false, "0,2"}, {"0,3", bas, 0.2, true, "0,2"},
        {"0,15", bas, 0.2, false, "0,15"}, // the minimum is compared as shown, 0,2
        {"0,1", bas, 0, true, "0,0"},
    };
    for (const auto& [avant, bouton, minimum, change, apres] : reels) {
        e.setText(avant);
        EXPECT_EQ(IncrementerEditReel(&e, bouton, 1, 0.1, minimum), change) << avant;
        EXPECT_EQ(e.text(), apres) << avant;
    }
    e.setText("1.5");
    EXPECT_THROW(IncrementerEditReel(&e, haut, 1, 0.1, 0), EStelor);

    // step 5 within 0..12: may pass a bound by less than a step, never the integer range.
    const std::tuple<const char*, TBoutonHautBas, int, bool, const char*> entiers[] = {
        {"10", haut, 12, true, "15"}, {"15", haut, 12, false, "15"}, {"3", bas, 12, true, "-2"},
        {"-2", bas, 12, false, "-2"}, {"2147483645", haut, 2147483647, true, "2147483647"},
    };
    for (const auto& [avant, bouton, maximum, change, apres] : entiers) {
        e.setText(avant);
        EXPECT_EQ(IncrementerEditEntier(&e, bouton, 5, 0, maximum), change) << avant;
        EXPECT_EQ(e.text(), apres) << avant;
    }

    QSpinBox hb;
    std::vector<TBoutonHautBas> clics;
    RelierHautBas(&hb, [&](TBoutonHautBas b) { clics.push_back(b); });
    hb.stepUp();
    hb.stepUp();
    hb.stepDown();
    EXPECT_EQ(hb.value(), 2500);
    EXPECT_EQ(clics, (std::vector<TBoutonHautBas>{haut, haut, bas}));
}

namespace {

// Presses an arrow where the style draws it; the release goes to `boite`,
// as to a box the step showed, or nowhere while the button is held. The
// error boxes shown, and whether the spin box keeps a timer to step again.
std::pair<int, bool> Presser(QSpinBox* s, bool haut, const int& erreurs, QWidget* boite)
{
    QStyleOptionSpinBox o;
    o.initFrom(s);
    o.subControls = QStyle::SC_All;
    o.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    const auto sous = haut ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown;
    const QPoint p = s->style()->subControlRect(QStyle::CC_SpinBox, &o, sous, s).center();
    const int avant = erreurs;
    QTest::mousePress(s, Qt::LeftButton, {}, p);
    if (boite)
        QTest::mouseRelease(boite, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(s, QEvent::MetaCall);
    const bool repete = !QAbstractEventDispatcher::instance()->registeredTimers(s).isEmpty();
    if (!boite)
        QTest::mouseRelease(s, Qt::LeftButton, {}, p);
    return {erreurs - avant, repete};
}

template <class... T> void Creer(QList<QWidget*>& fenetres) { (fenetres.append(new T), ...); }

} // namespace

// Every up-down of every window: a press is one step and at most one error
// box, and the stepping stops with the button even when a box took the
// release; a field that is no number gives exactly one box. Held down, an
// arrow goes on stepping.
TEST(HautBas, UnePressionUnPasDansChaqueFenetre)
{
    QTemporaryDir dossier;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    int erreurs = 0;
    TRepondeurTest repondeur([&erreurs](const TDemandeDialogue& d) {
        erreurs += d.Genre == TGenreDemande::Erreur;
        return ReponseParDefaut(d);
    });
    if (!Animation)
        Animation = new TAnimation;
    auto* cadre = new TMain;
    InstallerFenetresImage(*cadre);
    InstallerPretraitement(*cadre);
    InstallerTrichromie(*cadre);
    InstallerVisionneuse(*cadre);
    cadre->show();
    THistoFit fit = ImageFitDe(40, 30, [](int x, int y) { return 100.0 * x + y; });
    const int numero = cadre->CreerFenetreImageFit(fit)->NumeroDocument();
    for (QAction* a : {cadre->MnItmHistogramme_Afficher, cadre->MnItmPretraitement, cadre->MnItmVisionneuse,
                       cadre->MnItmTrichromie})
        a->trigger();
    auto* seuils = dynamic_cast<TFenetreSeuils*>(cadre->TrouverHistogramme(numero));
    ASSERT_NE(seuils, nullptr);
    QList<QWidget*> fenetres{new QWidget}; // the first stands for the box that takes the release
    Creer<TDemandeValeur, TMasqueFlou, TGaussien, TDDPNeutre, TDDPPasseBas, TDDPGaussien, TRedimensionnement,
          TTranslationn, TBordures, TPreferences, TConversionImages, TEnregistrementSelection>(fenetres);
    fenetres << cadre << Animation;
    for (QWidget* f : fenetres)
        f->show();
    QWidget* boite = fenetres[0];

    const auto champ = [&](int f, const char* nom) { return fenetres[f]->findChild<QLineEdit*>(QLatin1String(nom)); };
    const auto fleche = [&](int f, const char* nom) { return fenetres[f]->findChild<QSpinBox*>(QLatin1String(nom)); };
    const std::tuple<QLineEdit*, const char*, QSpinBox*, bool> mauvais[] = {
        {seuils->EdtSeuilMaxi, "", seuils->UpDwnLuminosite, true},
        {seuils->EdtSeuilMaxi, "", seuils->UpDwnContraste, false},
        {seuils->EdtSeuilMini, "", seuils->UpDwnNbBits, false},
        {seuils->EdtSeuilMini, "", seuils->UpDownSeuilMini, true},
        {champ(1, "EdtValeur"), ",", fleche(1, "UpDwnValeur"), true},
        {champ(2, "EdtCoefficient"), ",", fleche(2, "UpDwnCoefficient"), false},
        {champ(7, "EdtNouvelleFacteur"), ",", fleche(7, "UpDwnNouvelleFacteur"), true},
        {champ(10, "EdtCoefMF1"), ",", fleche(10, "UpDwnCoefsMF"), false},
        {champ(14, "EdtFrequence"), "1,5", fleche(14, "UpDwnFrequence"), true},
    };
    const int haut = seuils->TrckBrSeuilMaxi->value();
    for (const auto& [edit, texte, hautBas, monte] : mauvais) {
        ASSERT_TRUE(edit && hautBas);
        SCOPED_TRACE(hautBas->objectName().toStdString());
        edit->setText(QString::fromUtf8(texte));
        EXPECT_EQ(Presser(hautBas, monte, erreurs, boite), std::pair(1, false));
    }
    // The failed steps left the threshold window's update flag and image as they were.
    EXPECT_EQ(std::pair(seuils->Maj, seuils->TrckBrSeuilMaxi->value()), std::pair(true, haut));

    QStringList pressees;
    for (QWidget* f : fenetres)
        for (QSpinBox* s : f->findChildren<QSpinBox*>())
            if (s->minimum() == 0 && s->maximum() == 5000 && s->value() == 2500 && s->isEnabled()) {
                for (bool monte : {true, false}) {
                    const auto [boites, repete] = Presser(s, monte, erreurs, boite);
                    EXPECT_EQ(std::pair(boites <= 1, repete), std::pair(true, false)) << s->objectName().toStdString();
                }
                pressees << s->objectName();
            }
    EXPECT_EQ(Presser(seuils->UpDwnTransfert, true, erreurs, nullptr), std::pair(0, true));
    for (const char* nom : {"UpDwnSeuilMaxi", "UpDwnTransfert", "UpDwnSigma", "UpDwnCoef", "UpDwnx", "UpDwny",
                            "UpDwnBordureBas", "UpDwnSigmasMF", "UpDwnDepart", "UpDwnFrequence", "UpDwnPas"})
        EXPECT_TRUE(pressees.contains(QLatin1String(nom))) << nom;
    FermerCadreSansQuestion(cadre);
    qDeleteAll(fenetres.mid(0, 13));
}

TEST(Retouches, ChampsVidesOuHorsBornes)
{
    const std::tuple<void (*)(QLineEdit*), const char*, const char*> cas[] = {
        {EditSigmaMinimum, "", "0,2"},      {EditSigmaMinimum, "0,1", "0,2"}, {EditSigmaMinimum, "0,2", "0,2"},
        {EditSigmaMinimum, "0,5", "0,5"},   {EditCoefficientPositif, "", "0,0"},
        {EditCoefficientPositif, "-1", "0,0"}, {EditCoefficientPositif, "0,3", "0,3"},
        {EditEntierVide, "", "0"},          {EditEntierVide, "-", "0"},       {EditEntierVide, "-5", "-5"},
    };
    QLineEdit e;
    for (const auto& [retouche, avant, apres] : cas) {
        e.setText(avant);
        retouche(&e);
        EXPECT_EQ(e.text(), apres) << avant;
    }
}

TEST(Fenetres, EvidenceMenusEtClics)
{
    QLabel l("x");
    for (bool evidence : {true, false}) {
        MettreEnEvidence(&l, evidence);
        EXPECT_EQ(std::pair(l.font().bold(), l.palette().color(QPalette::WindowText)),
                  std::pair(evidence, evidence ? QColor(255, 0, 0) : QColor(0, 0, 0)));
    }

    QComboBox plans;
    plans.addItems({"Rouge", "Vert", "Bleu"});
    plans.setCurrentIndex(2);
    EXPECT_EQ(CouleurIndex(&plans), 0xFF0000);

    QMenuBar barre;
    QAction* ouvrir = barre.addMenu("&Fichier")->addAction("Ouvrir");
    barre.addMenu("&Aide");
    auto etats = [&] {
        return QList<bool>({barre.actions()[0]->isEnabled(), barre.actions()[1]->isEnabled(), ouvrir->isEnabled()});
    };
    DesactiverMenu(&barre);
    EXPECT_EQ(etats(), QList<bool>({false, false, true})); // only the top level
    ActiverMenu(&barre);
    EXPECT_EQ(etats(), QList<bool>({true, true, true}));

    QDialog boite;
    auto* zone = new QLabel("clic", &boite);
    FermerAuClic(boite, {zone});
    boite.show();
    QTest::mouseClick(zone, Qt::LeftButton);
    EXPECT_FALSE(boite.isVisible());
    EXPECT_EQ(boite.result(), QDialog::Rejected);
}

TEST(Fenetres, MenuZoom)
{
    auto* menu = new QMenu("Zoom");
    const QList<QAction*> items = CreerMenuZoom(menu);
    ASSERT_EQ(items.size(), 12);
    EXPECT_EQ(menu->actions(), items);
    // The level each item writes is its tag; Moins and Plus carry the shortcuts.
    QStringList releve;
    for (QAction* a : items)
        releve << QStringLiteral("%1=%2%3").arg(a->text()).arg(a->data().toInt()).arg(a->shortcut().toString());
    EXPECT_EQ(releve.join(' '), "Moins=0Ctrl+K 25%=25 50%=50 100%=100 125%=125 150%=150 200%=200 300%=300 500%=500 "
                                "Plus=0Ctrl+L =0 Définir...=0");
    EXPECT_TRUE(items[10]->isSeparator());
    EXPECT_EQ(items[3]->objectName(), "Zoom100p100");

    QList<QAction*> reference = items;
    DetruireMenuZoom(reference);
    EXPECT_TRUE(reference.isEmpty());
    QPointer<QAction> premier = items[0];
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
    ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::Information) << JournalDialogues();
    EXPECT_EQ(Dialogues::Journal()[0].Texte, "Bonjour") << JournalDialogues();

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
    EXPECT_EQ(capteur.Adresses[1].scheme() + ":" + capteur.Adresses[1].path(), "mailto:auteur@example.org");
    EXPECT_EQ(QUrlQuery(capteur.Adresses[1]).queryItemValue("subject"), "Stelor");
    EXPECT_FALSE(QUrlQuery(capteur.Adresses[1]).hasQueryItem("body"));
    const QUrlQuery q(capteur.Adresses[2]);
    EXPECT_EQ(q.queryItemValue("subject", QUrl::FullyDecoded), "Essai à deux & plus");
    EXPECT_EQ(q.queryItemValue("body", QUrl::FullyDecoded), "Ligne 1\nLigne 2");
}

#include "test_UOutilsFenetres.moc"
