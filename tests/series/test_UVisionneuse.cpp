// The viewer on its own: list file, sorts, browsing, rendering faults and the
// slide show's steps.
#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UAnimation.h"
#include "UBmp.h"
#include "UConfirmationFichiers.h"
#include "UEcritureFit.h"
#include "UEnregistrementSelection.h"
#include "UEnteteFit.h"
#include "UFit.h"
#include "UOutils.h"
#include "UVisionneuse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The thirteen header lines of a list file; the selection and lines follow.
const QByteArray EnTete = "S\r\nC\r\n548\r\n423\r\n0\r\n1000\r\n0\r\n1\r\n1\r\n65535\r\n0\r\n255\r\n0\r\n";

QString Chemins(const QList<TLigneVisionneuse>& lignes)
{
    QStringList c;
    for (const TLigneVisionneuse& l : lignes)
        c << l.Chemin() + (l.Cochee ? QStringLiteral("*") : QString());
    return c.join(QLatin1Char('|'));
}

TLigneVisionneuse L(const QString& chemin, bool cochee = false)
{
    return {NomFichierSansChemin(chemin), CheminFichier(chemin), cochee};
}

QString TexteErreur(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EStelor& e) {
        return e.Message();
    }
    return QStringLiteral("(aucune erreur)");
}

class Visionneuse : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Animation)
            Animation = new TAnimation;
        if (!EnteteFit)
            EnteteFit = new TEnteteFit;
        V = std::make_unique<TVisionneuse>();
        V->show();
    }
    void TearDown() override
    {
        TVisionneuse::AfficherStatistiquesHook = nullptr;
        TVisionneuse::AjouterBrutesHook = nullptr;
        V.reset();
    }
    // A w x h FIT file whose pixel (x, y) is base + x + 10 y.
    QString Fit(const QString& nom, int w = 6, int h = 4, double base = 100)
    {
        THistoFit im = ImageFitDe(w, h, [base](int x, int y) { return base + x + 10 * y; });
        im.SMin = 100;
        im.SMax = 200;
        const QString chemin = Dossier.filePath(nom);
        EnregistrerFit(im, chemin);
        return chemin;
    }
    QString Bmp(const QString& nom)
    {
        const QString chemin = Dossier.filePath(nom);
        EcrireBitmapBmp(BitmapDe(5, 3, 1, [](int x, int y, int) { return 40 * x + y; }), chemin);
        return chemin;
    }
    QString Texte(const QString& nom, const QByteArray& contenu)
    {
        EcrireFichierSur(Dossier.filePath(nom), contenu);
        return Dossier.filePath(nom);
    }
    // n lines over one existing file, ticked where the mask says '1'.
    void Remplir(const QString& coches)
    {
        const QString fit = Fit(QStringLiteral("a.fit"));
        TConfigurationVisionneuse c;
        for (QChar k : coches)
            c.Lignes << L(fit, k == QLatin1Char('1'));
        c.Selection = -1;
        V->AppliquerConfiguration(c);
    }
    bool Lance(int images, int sens, bool boucle, const QString& periode = QStringLiteral("1000"))
    {
        TRepondeurTest r([&](const TDemandeDialogue& d) {
            TReponseDialogue rep;
            rep.Resultat = mrOk;
            if (d.Genre == TGenreDemande::Modal && d.Dialogue) {
                d.Dialogue->findChild<QLineEdit*>(QStringLiteral("EdtFrequence"))->setText(periode);
                d.Dialogue->findChild<QComboBox*>(QStringLiteral("CmbBxImages"))->setCurrentIndex(images);
                d.Dialogue->findChild<QComboBox*>(QStringLiteral("CmbBxSens"))->setCurrentIndex(sens);
                Animation->FixerBoucle(boucle);
            }
            return rep;
        });
        QTest::mouseClick(V->SpdBttnAnimer, Qt::LeftButton);
        Erreurs.clear();
        for (const TDemandeDialogue& d : Dialogues::Journal())
            if (d.Genre == TGenreDemande::Erreur)
                Erreurs << d.Texte;
        return V->AnimationEnCours();
    }

    QTemporaryDir Dossier;
    std::unique_ptr<TVisionneuse> V;
    QStringList Erreurs;
};

} // namespace

TEST(FichierVisionneuse, AllerRetour)
{
    TConfigurationVisionneuse c;
    c.Largeur = 700;
    c.Hauteur = 500;
    c.ImagesParcourues = 2;
    c.PeriodeAnimation = -3;
    c.SensAnimation = 1;
    c.BoucleAnimation = false;
    c.Positif = false;
    c.PositionBasFit = 70000; // positions, not checked against the slider
    c.PositionHautFit = 12;
    c.PositionBasBmp = 200;
    c.PositionHautBmp = 3;
    c.Selection = 1;
    c.Lignes = {L(QStringLiteral("/tmp/Été.d/m31 été.v2.fit"), true), L(QStringLiteral("/a.b/c/n.bmp")),
                L(QStringLiteral("/x/n.fit"), true)};
    const QByteArray texte = TexteFichierVisionneuse(c);
    EXPECT_TRUE(texte.startsWith("Stelor 2.0 Avril 2008\r\nConfiguration de visionneuse\r\n700\r\n500\r\n2\r\n-3\r\n1\r\n0\r\n0\r\n"));
    EXPECT_TRUE(texte.endsWith("/x/n.fit\r\n1\r\n"));
    EXPECT_EQ(AnalyserFichierVisionneuse(texte), c);
    // LF-only files from another editor read the same.
    EXPECT_EQ(AnalyserFichierVisionneuse(QByteArray(texte).replace("\r\n", "\n")), c);
    // Old files are in the Western code page.
    EXPECT_EQ(Chemins(AnalyserFichierVisionneuse(EnTete + "0\r\n/d/\xe9t\xe9.fit\r\n1\r\n").Lignes), QStringLiteral("/d/été.fit*"));
}

TEST(FichierVisionneuse, LignesHuitEtNeufLuesCommeTextes)
{
    // Loop only on "1", negative only on "0".
    const std::tuple<const char*, const char*, bool, bool> cas[] = {
        {"1", "1", true, true}, {"0", "0", false, false}, {" 1", "x", false, true}, {"2", "", false, true}, {"", "00", false, true}};
    for (const auto& [boucle, affichage, boucleLue, positifLu] : cas) {
        SCOPED_TRACE(std::string(boucle) + "/" + affichage);
        const TConfigurationVisionneuse c = AnalyserFichierVisionneuse(QByteArray("S\r\nC\r\n548\r\n423\r\n0\r\n1000\r\n0\r\n") +
                                                                       boucle + "\r\n" + affichage +
                                                                       "\r\n65535\r\n0\r\n255\r\n0\r\n-1\r\n");
        EXPECT_EQ(std::pair(c.BoucleAnimation, c.Positif), std::pair(boucleLue, positifLu));
    }
}

TEST(FichierVisionneuse, FichiersIncorrects)
{
    const QByteArray bon = EnTete + "-1\r\n";
    auto avec = [&](int ligne, const QByteArray& valeur) {
        QList<QByteArray> l = bon.split('\n');
        l[ligne - 1] = valeur + "\r";
        return l.join('\n');
    };
    const QString pre = QStringLiteral("Fichier de configuration de visionneuse incorrect, ligne ");
    const std::tuple<const char*, QByteArray, QString> cas[] = {
        {"vide", QByteArray(), pre + "1 : le fichier s'arrête avant la fin de son en-tête."},
        {"treize lignes", bon.left(bon.lastIndexOf("-1")), pre + "14 : le fichier s'arrête avant la fin de son en-tête."},
        {"largeur", avec(3, "54a"), QStringLiteral("'54a' n'est pas une valeur entière correcte")},
        {"hauteur vide", avec(4, ""), QStringLiteral("'' n'est pas une valeur entière correcte")},
        {"periode trop grande", avec(6, "99999999999"), QStringLiteral("'99999999999' n'est pas une valeur entière correcte")},
        {"parcours 3", avec(5, "3"), pre + "5 : '3' n'est pas compris entre 0 et 2."},
        {"parcours -1", avec(5, "-1"), pre + "5 : '-1' n'est pas compris entre 0 et 2."},
        {"sens 2", avec(7, "2"), pre + "7 : '2' n'est pas compris entre 0 et 1."},
        {"position reelle", avec(10, "1,5"), QStringLiteral("'1,5' n'est pas une valeur entière correcte")},
        {"selection", avec(14, "x"), QStringLiteral("'x' n'est pas une valeur entière correcte")},
    };
    for (const auto& [nom, texte, message] : cas) {
        SCOPED_TRACE(nom);
        EXPECT_EQ(TexteErreur([&texte = texte] { AnalyserFichierVisionneuse(texte); }), message);
    }
    EXPECT_EQ(TexteErreur([&] { AnalyserFichierVisionneuse(bon); }), QStringLiteral("(aucune erreur)"));
}

TEST(TriParSerie, OrdreDuTriParRang)
{
    QList<TLigneVisionneuse> lignes;
    // Equal names keep their order (the tick tells them apart).
    for (const char* c : {"/d/img100.fit", "/d/img9.fit", "/d/flat1.fit", "/d/img10.fit", "/d/dark2.fit", "/d/m31_7.fit",
                          "/d/m31_007.fit", "/d/img10.bmp", "/d/img.fit", "/e/img1.fit", "/d/Img5.fit", "/d/img9.fit*"})
        lignes << L(QString::fromLatin1(c).remove(QLatin1Char('*')), QByteArray(c).endsWith('*'));
    TrierLignesParSerie(lignes);
    EXPECT_EQ(Chemins(lignes), QStringLiteral("/d/Img5.fit|/d/dark2.fit|/d/flat1.fit|/d/img10.bmp|/d/img.fit|/d/img9.fit|"
                                              "/d/img9.fit*|/d/img10.fit|/d/img100.fit|/d/m31_7.fit|/d/m31_007.fit|"
                                              "/e/img1.fit"));
    // Many equals (past the small-range path of an unstable sort).
    QList<TLigneVisionneuse> memes;
    for (int i = 0; i < 40; ++i)
        memes << L(QStringLiteral("/d/a.fit"), i % 3 == 0);
    const QString avant = Chemins(memes);
    TrierLignesParSerie(memes);
    EXPECT_EQ(Chemins(memes), avant);
}

TEST_F(Visionneuse, ChargementRefuseNeChangeRien)
{
    const QString a = Fit(QStringLiteral("a.fit")), b = Bmp(QStringLiteral("b.bmp"));
    V->AjouterFichiers({a, b});
    V->ChckLstBxImages->item(1)->setCheckState(Qt::Checked);
    V->SelectionnerLigne(1);
    V->PeriodeAnimation = 250;
    V->resize(600, 450);
    const TConfigurationVisionneuse avant = V->Configuration();
    const QByteArray mauvais = TexteFichierVisionneuse(avant).replace("\r\n250\r\n", "\r\n25O\r\n");
    const QString chemins[] = {Texte(QStringLiteral("court.vsn"), "S\r\nC\r\n600\r\n"),
                               Texte(QStringLiteral("mauvais.vsn"), mauvais), Dossier.filePath(QStringLiteral("absent.vsn"))};
    for (const QString& c : chemins) {
        SCOPED_TRACE(c.toStdString());
        EXPECT_NE(TexteErreur([&] { V->ChargerConfiguration(c); }), QStringLiteral("(aucune erreur)"));
        EXPECT_EQ(V->Configuration(), avant);
        EXPECT_EQ(V->SttcTxtNomImage->text(), b);
    }
}

TEST_F(Visionneuse, SelectionHorsListeEtTailleBornee)
{
    const QString a = Fit(QStringLiteral("a.fit")), vsn = Dossier.filePath(QStringLiteral("l.vsn"));
    for (const auto& [selection, attendue] : {std::pair(-1, -1), std::pair(2, -1), std::pair(1, 1), std::pair(-7, -1)}) {
        SCOPED_TRACE(selection);
        TConfigurationVisionneuse c;
        c.Lignes = {L(a), L(a)};
        c.Selection = selection;
        c.Largeur = 10;
        c.Hauteur = 100000;
        V->AppliquerConfiguration(c);
        // The list takes the focus once the window is active: that must not make a line current.
        QDeadlineTimer limite(10000);
        while (!V->ChckLstBxImages->hasFocus() && !limite.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_TRUE(V->ChckLstBxImages->hasFocus());
        QCoreApplication::processEvents();
        EXPECT_EQ(std::make_tuple(V->ChckLstBxImages->currentRow(), V->ImgVisualisation->width() > 0),
                  std::make_tuple(attendue, attendue >= 0));
        // Saved at once, the file keeps what was read.
        V->EnregistrerConfiguration(vsn);
        EXPECT_EQ(AnalyserFichierVisionneuse(LireFichierComplet(vsn)).Selection, attendue);
        EXPECT_EQ(V->width(), 548);
        EXPECT_GE(V->height(), 423);
    }
}

TEST_F(Visionneuse, EcritureRateeGardeLAncienFichier)
{
    V->AjouterFichiers({Fit(QStringLiteral("a.fit"))});
    const QString cible = Dossier.filePath(QStringLiteral("l.vsn"));
    V->EnregistrerConfiguration(cible);
    const QByteArray ancien = LireFichierComplet(cible);
    V->AjouterFichiers(QStringList(200, Dossier.filePath(QStringLiteral("image.fit"))));
    // A folder that takes no new file (root ignores permissions: the
    // immutable flag stops it too).
    auto verrouiller = [&](bool oui) {
        if (geteuid() == 0)
            return LancerProgramme(QStringLiteral("/usr/bin/chattr"), {oui ? "+i" : "-i", Dossier.path()}) == 0;
        return QFile::setPermissions(Dossier.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                         (oui ? QFileDevice::Permissions() : QFileDevice::WriteOwner));
    };
    ASSERT_TRUE(verrouiller(true));
    const QString erreur = TexteErreur([&] { V->EnregistrerConfiguration(cible); });
    ASSERT_TRUE(verrouiller(false));
    EXPECT_NE(erreur, QStringLiteral("(aucune erreur)"));
    EXPECT_EQ(LireFichierComplet(cible), ancien);
    EXPECT_EQ(AnalyserFichierVisionneuse(ancien).Lignes.size(), 1);
    EXPECT_EQ(QDir(Dossier.path()).entryList({QStringLiteral("*.vsn*")}, QDir::Files), QStringList{QStringLiteral("l.vsn")});
}

TEST_F(Visionneuse, FichiersIllisiblesVidentLaVue)
{
    const QString bon = Fit(QStringLiteral("bon.fit"));
    const QByteArray fit = LireFichierComplet(bon);
    V->AjouterFichiers({bon});
    V->AjouterFichiers({Texte(QStringLiteral("tronque.fit"), fit.left(2880 + 10)),
                        Texte(QStringLiteral("texte.bmp"), "ceci n'est pas une image"),
                        Texte(QStringLiteral("image.fits"), fit), Dossier.filePath(QStringLiteral("absent.fit"))});
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        V->SelectionnerLigne(0);
        ASSERT_GT(V->ImgVisualisation->width(), 0);
        TRepondeurTest r(RepondreToujours());
        V->Commande([&] { V->SelectionnerLigne(i); });
        EXPECT_EQ(Dialogues::Journal().size(), i == 4 ? 0u : 1u) << JournalDialogues();
        EXPECT_EQ(V->ImgVisualisation->width(), 0);
        EXPECT_TRUE(V->LblMessageImgVisualisation->text().isEmpty());
        EXPECT_EQ(V->SttcTxtNomImage->text(), i == 4 ? QStringLiteral("Le fichier n'est pas trouvé.") : V->Lignes()[i].Chemin());
        // Nothing on the stale object answers the sliders or the commands.
        V->TrckBrSeuilBas->setValue(V->TrckBrSeuilBas->value() - 1);
        V->Commande([&] { V->MnItmCopierClick(); });
        EXPECT_EQ(Dialogues::Journal().size(), i == 4 ? 0u : 1u) << JournalDialogues();
        EXPECT_EQ(V->ImgVisualisation->width(), 0);
    }
}

TEST_F(Visionneuse, ErreurPendantLAnimationArreteDAbord)
{
    const QString bon = Fit(QStringLiteral("a.fit"));
    V->AjouterFichiers({bon});
    V->AjouterFichiers({Texte(QStringLiteral("b.fit"), "SIMPLE")});
    V->SelectionnerLigne(0);
    ASSERT_TRUE(Lance(0, 0, true, QStringLiteral("1")));
    TRepondeurTest r([&](const TDemandeDialogue&) {
        // No tick may run while the box is up.
        EXPECT_FALSE(V->findChild<QTimer*>(QStringLiteral("TmrAnimation"))->isActive());
        EXPECT_FALSE(V->AnimationEnCours());
        return TReponseDialogue{mrOk, {}, {}};
    });
    QTRY_VERIFY(!V->AnimationEnCours());
    EXPECT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    EXPECT_EQ(V->LigneSelectionnee(), 1);
    EXPECT_TRUE(V->BtBtnOuvrir->isEnabled());
}

TEST_F(Visionneuse, PeriodeIllisibleLaisseArrete)
{
    Remplir(QStringLiteral("101"));
    V->ImagesParcourues = 0;
    EXPECT_FALSE(Lance(2, 1, false, QStringLiteral("99999999999")));
    EXPECT_EQ(Erreurs, QStringList{QStringLiteral("'99999999999' n'est pas une valeur entière correcte")});
    EXPECT_FALSE(V->SpdBttnAnimer->isChecked());
    QTimer* t = V->findChild<QTimer*>(QStringLiteral("TmrAnimation"));
    EXPECT_FALSE(t->isActive());
    EXPECT_EQ(std::tuple(V->ImagesParcourues, V->PeriodeAnimation, V->SensAnimation, V->BoucleAnimation),
              std::tuple(0, 1000, 0, true));
    EXPECT_TRUE(V->SpdBttnTout->isChecked());
    {
        TRepondeurTest r(ReponseParDefaut); // Cancel changes nothing either
        QTest::mouseClick(V->SpdBttnAnimer, Qt::LeftButton);
    }
    EXPECT_EQ(std::pair(V->SpdBttnAnimer->isChecked(), V->ImagesParcourues), std::pair(false, 0));

    // 0 and below play at 1 ms; Stop acts at once.
    for (const char* p : {"0", "-200"}) {
        ASSERT_TRUE(Lance(2, 1, true, QString::fromLatin1(p)));
        EXPECT_EQ(t->interval(), 1);
        EXPECT_EQ(V->PeriodeAnimation, QString::fromLatin1(p).toInt());
        EXPECT_TRUE(V->SpdBttnDeselectionnes->isChecked());
        EXPECT_FALSE(V->MnItmTriParSerie->isEnabled());
        QTest::mouseClick(V->SpdBttnAnimer, Qt::LeftButton);
        EXPECT_FALSE(t->isActive());
        EXPECT_TRUE(V->MnItmTriParSerie->isEnabled());
    }
    // Either label stops a running show.
    for (QLabel* l : {V->LblMessageListe, V->LblMessageImgVisualisation}) {
        ASSERT_TRUE(Lance(0, 0, true));
        QTest::mouseClick(l, Qt::LeftButton);
        EXPECT_FALSE(V->AnimationEnCours());
    }
}

TEST_F(Visionneuse, PasDeLAnimation)
{
    struct Cas {
        const char* nom;
        const char* coches;
        int images, sens;
        bool boucle;
        int depart;
        std::vector<int> visites; // selection after each tick; -2: stopped by that tick
    };
    const Cas cas[] = {
        {"toutes montant sans boucle depuis la derniere", "0000", 0, 0, false, 3, {-2}},
        {"toutes montant sans boucle", "0000", 0, 0, false, 1, {2, -2}},
        {"toutes montant en boucle", "0000", 0, 0, true, 2, {3, 0, 1}},
        {"toutes descendant en boucle", "0000", 0, 1, true, 1, {0, 3, 2}},
        {"toutes descendant sans boucle", "0000", 0, 1, false, 2, {1, -2}},
        {"cochees en boucle depuis la derniere cochee", "01010", 1, 0, true, 3, {1, 3, 1}},
        {"cochees descendant en boucle", "01010", 1, 1, true, 1, {3, 1}},
        {"cochees sans boucle", "11010", 1, 0, false, 0, {1, -2}},
        {"aucune cochee en boucle", "00000", 1, 0, true, 2, {-2}},
        {"aucune cochee sans boucle", "00000", 1, 1, false, 2, {-2}},
        {"non cochees en boucle", "01010", 2, 0, true, 0, {2, 4, 0}},
        {"non cochees descendant sans boucle", "01010", 2, 1, false, 4, {2, -2}},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.nom);
        Remplir(QString::fromLatin1(k.coches));
        V->SelectionnerLigne(k.depart);
        ASSERT_TRUE(Lance(k.images, k.sens, k.boucle));
        V->findChild<QTimer*>(QStringLiteral("TmrAnimation"))->stop(); // ticks driven by hand
        for (size_t t = 0; t < k.visites.size(); ++t) {
            SCOPED_TRACE(t);
            ASSERT_TRUE(V->AnimationEnCours());
            const int avant = V->LigneSelectionnee();
            V->TmrAnimationTimer();
            if (k.visites[t] == -2) {
                EXPECT_FALSE(V->AnimationEnCours());
                if (t == 0) {
                    EXPECT_EQ(V->LigneSelectionnee(), avant);
                }
            } else {
                EXPECT_EQ(V->LigneSelectionnee(), k.visites[t]);
                EXPECT_EQ(V->SttcTxtNomImage->text(), V->Lignes()[k.visites[t]].Chemin());
            }
        }
        if (V->AnimationEnCours())
            V->ArreterAnimation();
    }
}

TEST_F(Visionneuse, AucunTopPendantUnDialogue)
{
    V->AjouterFichiers({Fit(QStringLiteral("a.fit")), Fit(QStringLiteral("b.fit"))});
    ASSERT_TRUE(Lance(0, 0, true, QStringLiteral("1")));
    QTimer* t = V->findChild<QTimer*>(QStringLiteral("TmrAnimation"));
    int vus = 0;
    TVisionneuse::AfficherStatistiquesHook = [&](const QString&, const TStatistiquesImage&) {
        ++vus;
        EXPECT_FALSE(t->isActive());
    };
    V->Commande([&] { V->MnItmStatistiquesClick(); });
    {
        TRepondeurTest r([&](const TDemandeDialogue& d) {
            ++vus;
            EXPECT_FALSE(t->isActive());
            EXPECT_EQ(d.Dialogue, EnteteFit);
            return TReponseDialogue{mrCancel, {}, {}};
        });
        V->Commande([&] { V->AfficherEnteteFit(); });
    }
    EXPECT_EQ(vus, 2);
    EXPECT_EQ(EnteteFit->Image, nullptr);
    EXPECT_TRUE(t->isActive());
    V->ArreterAnimation();
}

TEST_F(Visionneuse, EffacerLaLigneEtDeplacer)
{
    const QString a = Fit(QStringLiteral("a.fit")), b = Fit(QStringLiteral("b.fit")), c = Bmp(QStringLiteral("c.bmp"));
    V->AjouterFichiers({c, a, b});
    EXPECT_EQ(Chemins(V->Lignes()), a + "|" + b + "|" + c);
    // Added to a non-empty list: appended, unsorted, selection kept.
    V->SelectionnerLigne(1);
    V->AjouterFichiers({a});
    EXPECT_EQ(V->LigneSelectionnee(), 1);
    V->ChckLstBxImages->item(1)->setCheckState(Qt::Checked);
    V->DeplacerLigne(false);
    EXPECT_EQ(Chemins(V->Lignes()), a + "|" + c + "|" + b + "*|" + a);
    EXPECT_EQ(V->LigneSelectionnee(), 2);
    V->SelectionnerLigne(0);
    V->DeplacerLigne(true); // nothing above
    EXPECT_EQ(V->LigneSelectionnee(), 0);

    V->SelectionnerLigne(3);
    V->EffacerLigne();
    EXPECT_EQ(V->LigneSelectionnee(), 2);
    EXPECT_EQ(V->SttcTxtNomImage->text(), b);
    V->EffacerLignesDecochees();
    EXPECT_EQ(Chemins(V->Lignes()), b + "*");
    EXPECT_EQ(V->LigneSelectionnee(), 0);
    V->EffacerLigne();
    EXPECT_EQ(V->ChckLstBxImages->count(), 0);
    EXPECT_TRUE(V->SttcTxtNomImage->text().isEmpty());
    EXPECT_EQ(V->ImgVisualisation->width(), 0);
}

TEST_F(Visionneuse, PretraitementMemeExtension)
{
    QStringList recus;
    TVisionneuse::AjouterBrutesHook = [&](const QStringList& l) { recus = l; };
    TConfigurationVisionneuse c;
    c.Lignes = {L("/d/z.fit"), L("/d/a.fit", true), L("/d/b.FIT", true), L("/e/c.x.fit", true), L("/f/d.fit", true)};
    V->AppliquerConfiguration(c);
    V->Pretraitement();
    EXPECT_EQ(recus, (QStringList{"/d/a.fit", "/f/d.fit"}));
    recus.clear();
    V->ToutDecocher();
    V->Pretraitement();
    EXPECT_TRUE(recus.isEmpty());
    V->InverserSelection();
    EXPECT_EQ(V->CheminsCoches().size(), 5);
}

TEST_F(Visionneuse, RafaleDeTouchesUnSeulChargement)
{
    Remplir(QString(80, QLatin1Char('0')));
    V->SelectionnerLigne(10);
    const int avant = V->NombreChargements();
    V->ChckLstBxImages->setFocus();
    for (int k = 0; k < 50; ++k)
        QCoreApplication::postEvent(V->ChckLstBxImages, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
    QTRY_COMPARE(V->LigneSelectionnee(), 60);
    QTRY_VERIFY(!V->RenduEnAttente());
    EXPECT_EQ(V->NombreChargements(), avant + 1);
    EXPECT_GT(V->ImgVisualisation->width(), 0);
    // A selection made by the program renders at once and cancels a pending one.
    QTest::keyClick(V->ChckLstBxImages, Qt::Key_Down);
    EXPECT_TRUE(V->RenduEnAttente());
    V->SelectionnerLigne(3);
    EXPECT_FALSE(V->RenduEnAttente());
    EXPECT_EQ(V->NombreChargements(), avant + 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(V->NombreChargements(), avant + 2);
}

TEST_F(Visionneuse, SeuilsInversesEtAutomatiquesMaintenus)
{
    // Pixels 100..135: a low threshold above the high one gives two levels.
    const QString a = Fit(QStringLiteral("a.fit")), b = Fit(QStringLiteral("b.fit"), 6, 4, 1000);
    V->AjouterFichiers({a, b});
    ASSERT_EQ(V->SttcTxtNomImage->text(), a);
    V->TrckBrSeuilBas->setValue(65535 - 120);
    V->TrckBrSeuilHaut->setValue(65535 - 110);
    EXPECT_EQ(V->ImageFit.SMin, 120);
    EXPECT_EQ(V->ImageFit.SMax, 110);
    const QImage& p = V->ImgVisualisation->Picture();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const int v = 100 + x + 10 * y, o = OctetDe(p, x, y);
            EXPECT_EQ(o, v < 120 ? 0 : 255) << x << "," << y;
        }
    // Kept for the next FIT file.
    V->SelectionnerLigne(1);
    EXPECT_EQ(V->ImageFit.SMin, 120);
    EXPECT_EQ(V->TrckBrSeuilBas->value(), 65535 - 120);

    // Maintained automatic levels: the picture and the sliders follow each file.
    V->ChckBxSeuilsAuto->setChecked(true);
    EXPECT_EQ(V->TrckBrSeuilHaut->value(), 65535 - SeuilMaxiAutoFit(FitLu(b)));
    V->SelectionnerLigne(0);
    const THistoFit la = FitLu(a);
    EXPECT_EQ(std::pair(V->ImageFit.SMin, V->ImageFit.SMax), std::pair(SeuilMiniAutoFit(la), SeuilMaxiAutoFit(la)));
    EXPECT_EQ(V->PositionBasFit, 65535 - SeuilMiniAutoFit(la));
}

TEST_F(Visionneuse, TextesEntiersALaTailleParDefaut)
{
    // The longest summary (five-digit values and levels) at the default size,
    // with the slide show running and the batch dialog listing files.
    TConfigurationVisionneuse c;
    c.Lignes = {L(Fit(QStringLiteral("longue.fit"), 600, 400, 10000), true)};
    c.Selection = 0;
    c.PositionBasFit = 65535 - 12345;
    c.PositionHautFit = 65535 - 40000;
    V->AppliquerConfiguration(c);
    ASSERT_TRUE(Lance(0, 0, true));
    TEnregistrementSelection lot;
    const QString nom = QStringLiteral("hubble_deep_field_24.bmp");
    lot.Initialiser({{nom, Dossier.path(), true}, {QStringLiteral("m51.fit"), Dossier.path(), true}}, Dossier.path());
    lot.show();
    QApplication::processEvents();
    // Every label shows its text whole (on its lines when it wraps), and a
    // name stands a letter apart from the folder beside it.
    QStringList rognes;
    for (const QWidget* w : {static_cast<QWidget*>(V.get()), static_cast<QWidget*>(&lot)})
        for (const QLabel* l : w->findChildren<QLabel*>())
            if (l->isVisible() && (l->wordWrap() ? l->heightForWidth(l->width()) > l->height()
                                                 : l->fontMetrics().horizontalAdvance(l->text()) > l->contentsRect().width()))
                rognes << l->objectName();
    TConfirmationFichiers confirmation;
    confirmation.Preparer(QStringLiteral("Remplacer ?"), {{nom, Dossier.path()}});
    for (const QTreeWidget* noms : {lot.findChild<QTreeWidget*>(QStringLiteral("LstVwImages")),
                                    confirmation.findChild<QTreeWidget*>(QStringLiteral("LstVwFichiers"))})
        if (noms->fontMetrics().horizontalAdvance(nom) + noms->fontMetrics().averageCharWidth() +
                2 * (noms->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, noms) + 1) > noms->columnWidth(0))
            rognes << noms->objectName();
    EXPECT_EQ(rognes.join(QLatin1Char(' ')).toStdString(), "");
}
