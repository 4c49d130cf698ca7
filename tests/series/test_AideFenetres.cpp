// F1 through the frame in every kind of window, with and without a help
// file: the image window opens its topic, the others the contents, a modal
// dialog nothing; each press returns, and a held key counts once.
#include "Delai.h"
#include "OnHelpFix.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UAPropos.h"
#include "UConvolution.h"
#include "UDemandeValeur.h"
#include "UEnregistrementSelection.h"
#include "UEnteteFit.h"
#include "UHelp.h"
#include "UInstallationImage.h"
#include "UInstallationPretraitement.h"
#include "UInstallationTrichromie.h"
#include "UInstallationVisionneuse.h"
#include "UMain.h"
#include "UMire.h"
#include "UParametres.h"
#include "UPreferences.h"
#include "UStatistiques.h"
#include "UTraitementImage.h"
#include "hh.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The frame with an image window open on a copy of a real image, F1 watched,
// a stand-in help viewer and a help file.
class AideFenetres : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString image = Dossier.filePath(QStringLiteral("m51.fit"));
        ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), image));
        Utilisateur.AOuvrir = QStringList{image};
        Repondeur = std::make_unique<TRepondeurTest>(Utilisateur.Repondeur());
        Lecteur = std::make_unique<TLecteurAideEssai>(Dossier.path());
        EcrireFichierSur(Aide, "");
        InstallerOnHelpFix();

        Cadre = new TMain;
        Main = Cadre;
        InstallerFenetresImage(*Cadre);
        InstallerPretraitement(*Cadre);
        InstallerTrichromie(*Cadre);
        InstallerVisionneuse(*Cadre);
        Cadre->resize(1200, 900);
        Cadre->show();
        Cadre->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Cadre));
        Cadre->MnItmOuvrir->trigger();
        FenetreImage = FenetreImageActive(*Cadre);
        ASSERT_NE(FenetreImage, nullptr);
    }
    void TearDown() override
    {
        FermerCadreSansQuestion(Cadre);
        delete Preferences;
        Preferences = nullptr;
        RetirerOnHelpFix();
        FixerFichierAide({});
    }
    // Brings forward the document window that holds w.
    void Activer(QWidget* w)
    {
        for (QWidget* p = w; p; p = p->parentWidget())
            if (auto* document = qobject_cast<QMdiSubWindow*>(p))
                Cadre->ZoneMDI()->setActiveSubWindow(document);
    }

    QTemporaryDir Dossier;
    const QString Aide = Dossier.filePath(QStringLiteral("Stelor.chm"));
    TUtilisateurTest Utilisateur;
    std::unique_ptr<TRepondeurTest> Repondeur;
    std::unique_ptr<TLecteurAideEssai> Lecteur;
    TMain* Cadre = nullptr;
    TTraitementImage* FenetreImage = nullptr;
};

} // namespace

TEST_F(AideFenetres, F1DansChaqueGenreDeFenetre)
{
    TMain* cadre = Cadre;
    TTraitementImage* fenetreImage = FenetreImage;
    const QString& aide = Aide;
    Preferences = new TPreferences;
    cadre->MnItmHistogramme_Afficher->trigger();
    QWidget* seuils = cadre->FenetreActive();
    cadre->MnItmVisionneuse->trigger();
    QWidget* visionneuse = cadre->FenetreActive();
    cadre->MnItmPretraitement->trigger();
    QWidget* pretraitement = cadre->FenetreActive();
    cadre->MnItmTrichromie->trigger();
    QWidget* trichromie = cadre->FenetreActive();
    const std::vector<std::pair<const char*, QWidget*>> fenetres = {
        {"image", fenetreImage->ImgSource}, {"seuils", seuils},           {"visionneuse", visionneuse},
        {"pretraitement", pretraitement},   {"trichromie", trichromie}, {"cadre", cadre->menuBar()}};
    for (const auto& [nom, w] : fenetres)
        ASSERT_NE(w, nullptr) << nom;
    ASSERT_EQ(QStringList({seuils->metaObject()->className(), visionneuse->metaObject()->className(),
                           pretraitement->metaObject()->className(), trichromie->metaObject()->className()}),
              QStringList({"THistogrammeFit", "TVisionneuse", "TPretraitement", "TTrichromieRVB"}));

    auto f1 = [&](const char* nom, QWidget* w) {
        Activer(w);
        w->setFocus();
        TDelaiMaximal delai(std::string("F1 dans la fenêtre ") + nom, 20);
        QTest::keyClick(w, Qt::Key_F1);
    };
    QStringList attendus;
    for (const bool avecFichier : {false, true}) {
        FixerFichierAide(avecFichier ? aide : Dossier.filePath(QStringLiteral("absent.chm")));
        Dialogues::ViderJournal();
        for (const auto& [nom, w] : fenetres) {
            f1(nom, w);
            if (avecFichier)
                attendus << (w == fenetreImage->ImgSource ? "appel|-c|1001|" + aide : "appel|" + aide);
        }
        // A modal dialog keeps F1 to itself: no help for a window behind it.
        Preferences->setWindowModality(Qt::ApplicationModal);
        Preferences->show();
        f1("modale", Preferences->focusWidget() ? Preferences->focusWidget() : Preferences);
        Preferences->hide();
        if (!avecFichier) {
            QStringList messages;
            for (const TDemandeDialogue& d : Dialogues::Journal())
                messages << d.Texte;
            EXPECT_EQ(messages, QStringList(int(fenetres.size()), "Le fichier d'aide 'Stelor.chm' n'est pas présent "
                                                                 "dans le répertoire de l'application."));
        }
    }
    EXPECT_EQ(Lecteur->Appels(int(attendus.size())), attendus);

    // The contents and keyword commands reach a window's own handler.
    std::vector<std::pair<int, intptr_t>> recus;
    InstallerGestionnaireAide(visionneuse, 0, [&](int commande, intptr_t donnee, bool& appeler) {
        recus.emplace_back(commande, donnee);
        appeler = false;
        return true;
    });
    const QByteArray motCle = "seuils";
    const bool sommaire = DemanderAide(visionneuse, HELP_CONTENTS, 0);
    const bool cle = DemanderAide(visionneuse, HELP_KEY, reinterpret_cast<intptr_t>(motCle.constData()));
    EXPECT_EQ(std::tuple(sommaire, cle, DemanderAide(pretraitement, HELP_CONTENTS, 0), DemanderAideContexte(visionneuse)),
              std::tuple(true, true, false, false));
    EXPECT_EQ(recus, (std::vector<std::pair<int, intptr_t>>{
                         {HELP_CONTENTS, 0}, {HELP_KEY, reinterpret_cast<intptr_t>(motCle.constData())}}));

}

namespace {

// One event of F1 at an instant, as the window system hands it over: a
// press is first offered to the shortcuts (the frame's F1).
void EnvoyerF1(QWidget* w, QEvent::Type type, quint64 instant, bool repetition)
{
    if (type == QEvent::KeyPress &&
        qt_sendShortcutOverrideEvent(w, instant, Qt::Key_F1, Qt::NoModifier, {}, repetition))
        return;
    QKeyEvent touche(type, Qt::Key_F1, Qt::NoModifier, QString(), repetition);
    touche.setTimestamp(instant);
    QApplication::sendEvent(w, &touche);
}

// F1 held down: a press, repeats 40 ms apart, the release. The repeats come
// marked as such, or as X11 sends them to Qt: a release and a press of the
// same instant, not always marked.
void TenirF1(QWidget* w, int repetitions, bool marquees)
{
    static quint64 instant = 1000;
    w->setFocus();
    TDelaiMaximal delai("F1 tenue", 20);
    EnvoyerF1(w, QEvent::KeyPress, instant += 500, false);
    for (int i = 0; i < repetitions; ++i) {
        instant += 40;
        EnvoyerF1(w, QEvent::KeyRelease, instant, marquees);
        EnvoyerF1(w, QEvent::KeyPress, instant, marquees);
    }
    EnvoyerF1(w, QEvent::KeyRelease, instant += 40, false);
}

} // namespace

TEST_F(AideFenetres, F1TenueUneSeuleFoisEtRienDansLesDialogues)
{
    Cadre->MnItmVisionneuse->trigger();
    QWidget* visionneuse = Cadre->FenetreActive();
    ASSERT_NE(visionneuse, nullptr);

    // The dialogs the frame and the image windows show modally, each in a
    // window of its own: no help of their own, so F1 shows nothing there.
    std::vector<std::unique_ptr<QDialog>> dialogues;
    dialogues.emplace_back(new TEnregistrementSelection);
    dialogues.emplace_back(new TPreferences);
    dialogues.emplace_back(new TConvolution);
    dialogues.emplace_back(new TEnteteFit);
    dialogues.emplace_back(new TStatistiques);
    dialogues.emplace_back(new TMire);
    dialogues.emplace_back(new TAPropos);
    dialogues.emplace_back(new TDemandeValeur);

    const int repetitions = 12;
    for (const bool avecFichier : {false, true}) {
        FixerFichierAide(avecFichier ? Aide : Dossier.filePath(QStringLiteral("absent.chm")));
        Dialogues::ViderJournal();
        for (const auto& d : dialogues) {
            d->setWindowModality(Qt::ApplicationModal);
            d->show();
            d->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(d.get())) << d->metaObject()->className();
            for (const bool marquees : {true, false})
                TenirF1(d->focusWidget() ? d->focusWidget() : d.get(), repetitions, marquees);
            d->hide();
        }
        // Held in the frame, an image window and another document window:
        // one request each however long the key stays down.
        Cadre->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Cadre));
        for (QWidget* w : {static_cast<QWidget*>(Cadre->menuBar()), static_cast<QWidget*>(FenetreImage->ImgSource),
                           visionneuse}) {
            Activer(w);
            for (const bool marquees : {true, false})
                TenirF1(w, repetitions, marquees);
        }
        if (!avecFichier) {
            QStringList messages;
            for (const TDemandeDialogue& d : Dialogues::Journal())
                messages << d.Texte;
            EXPECT_EQ(messages, QStringList(6, "Le fichier d'aide 'Stelor.chm' n'est pas présent "
                                               "dans le répertoire de l'application."));
        }
    }
    // The viewers start on their own: their lines come in any order.
    QStringList appels = Lecteur->Appels(6);
    appels.sort();
    const QString sommaire = "appel|" + Aide;
    EXPECT_EQ(appels, QStringList({"appel|-c|1001|" + Aide, "appel|-c|1001|" + Aide, sommaire, sommaire, sommaire,
                                   sommaire}));
    dialogues.clear();
}
