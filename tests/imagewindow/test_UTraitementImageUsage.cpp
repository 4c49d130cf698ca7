// The image window and its processing commands driven through the frame as
// a user would: real files copied to a temporary folder, real mouse and key
// events on the picture, the dialogs answered by typing into their edits and
// picking list lines, the results compared with numpy (astropy) or Pillow on
// the files saved, then undone and restored.
#include "PDialogues.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UParametres.h"
#include "UAbandonBmp.h"
#include "UArithmetique.h"
#include "UBordures.h"
#include "UConvolution.h"
#include "UDDPNeutre.h"
#include "UDemandeValeur.h"
#include "UEnteteFit.h"
#include "UGaussien.h"
#include "UImages.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UPasseBas.h"
#include "URedimensionnement.h"
#include "USelectionTraitementImage.h"
#include "UStatistiques.h"
#include "UTraitementImage.h"
#include "UTranslationn.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

using TForme = std::function<int(QDialog&)>;

int Presser(QDialog& d, const char* bouton)
{
    QTest::mouseClick(d.findChild<QPushButton*>(QLatin1String(bouton)), Qt::LeftButton);
    d.hide();
    return d.result() == QDialog::Accepted ? mrOk : mrCancel;
}

void Taper(QDialog& d, const std::vector<std::pair<const char*, QString>>& saisies)
{
    for (const auto& [nom, texte] : saisies) {
        auto* e = d.findChild<QLineEdit*>(QLatin1String(nom));
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, texte);
    }
}

// Types into the edits (all text replaced), then presses the button.
TForme Saisir(std::vector<std::pair<const char*, QString>> saisies, const char* bouton = "BtnOK")
{
    return [saisies, bouton](QDialog& d) {
        d.show();
        Taper(d, saisies);
        return Presser(d, bouton);
    };
}

// Clicks the picker's line of window n, then "Sélectionner" (or double-clicks it).
TForme ChoisirImage(int n, bool doubleClic = false)
{
    return [n, doubleClic](QDialog& d) -> int {
        d.show();
        auto* liste = d.findChild<QListWidget*>(QStringLiteral("LstBxTraitementsImages"));
        for (int i = 0; i < liste->count(); ++i)
            if (liste->item(i)->text().startsWith(QStringLiteral("#%1 ").arg(n))) {
                const QPoint centre = liste->visualItemRect(liste->item(i)).center();
                QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, centre);
                if (doubleClic) {
                    QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, centre);
                    return d.result() == QDialog::Accepted ? int(mrOk) : int(mrCancel);
                }
            }
        return Presser(d, "BtnSelectionner");
    };
}

// Types a card before END in the header editor, then presses one of its buttons.
TForme EditerEntete(const char* bouton)
{
    return [bouton](QDialog& d) {
        d.show();
        auto* editeur = d.findChild<QPlainTextEdit*>(QStringLiteral("RchEdtEntete"));
        editeur->moveCursor(QTextCursor::End);
        editeur->moveCursor(QTextCursor::StartOfLine);
        QTest::keyClicks(editeur, QStringLiteral("NOTE= 'M51 essai'"));
        QTest::keyClick(editeur, Qt::Key_Return);
        return Presser(d, bouton);
    };
}

// Clicks a preset, types each (cell, text) over the cell's text, then a button.
TForme Editer(const char* preset, std::vector<std::pair<const char*, QString>> saisies, const char* bouton = "BtnAppliquer")
{
    return [preset, saisies, bouton](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(QLatin1String(preset)), Qt::LeftButton);
        Taper(d, saisies);
        return Presser(d, bouton);
    };
}

THistoFit Double(const THistoFit& i)
{
    THistoFit c;
    CopierHistoFit(i, c);
    return c;
}

bool ToutNoir(const THistoFit& i) { return std::all_of(i.Pixels.begin(), i.Pixels.end(), [](double v) { return v == 0; }); }

class TCommandes : public ::testing::Test {
protected:
    template <class... T> static void Creer(T*&... forme) { ((forme = forme ? forme : new T), ...); }
    static void SetUpTestSuite()
    {
        Creer(SelectionTraitementImage, DemandeValeur, Translationn, Redimensionnement, Bordures, Statistiques,
              DDPNeutre, Gaussien, PasseBas, Convolution, EnteteFit);
    }
    void SetUp() override
    {
        Repondeur = std::make_unique<TRepondeurTest>([this](const TDemandeDialogue& d) {
            TReponseDialogue r;
            r.Resultat = d.Genre == TGenreDemande::Question ? (RepondreOui ? mrYes : mrNo) : mrOk;
            if (d.Genre == TGenreDemande::Modal) {
                const auto i = Formes.find(d.NomObjet);
                r.Resultat = i != Formes.end() && d.Dialogue ? i->second(*d.Dialogue) : mrCancel;
            } else if (d.Genre == TGenreDemande::OuvrirFichiers) {
                r.Fichiers = AOuvrir;
            } else if (d.Genre == TGenreDemande::EnregistrerFichier) {
                r.Fichiers = QStringList{AEnregistrer};
            }
            return r;
        });
        Cadre = new TMain;
        // Settings of this test's own: the file beside the test programs is
        // rewritten by the other tests running at the same time.
        InstallerFenetresImage(*Cadre);
        Cadre->resize(1200, 900);
        Cadre->show();
        // The filters' own dialogs answer OK with the values they hold.
        Formes["TGaussien"] = Formes["TPasseBas"] = [](QDialog&) { return int(mrOk); };
        Dialogues::ViderJournal();
    }
    void TearDown() override
    {
        FermerCadreSansQuestion(Cadre);
        Repondeur.reset();
    }

    // Opens a copy of a test file made in the temporary folder.
    TTraitementImage* OuvrirCopie(const QString& donnee, const QString& nom)
    {
        const QString chemin = Dossier.filePath(nom);
        QFile::remove(chemin);
        EXPECT_TRUE(QFile::copy(CheminDonnees(donnee), chemin));
        QFile(chemin).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return Ouvrir(chemin);
    }
    TTraitementImage* Ouvrir(const QString& chemin)
    {
        AOuvrir = QStringList{chemin};
        Cadre->MnItmOuvrir->trigger();
        QApplication::processEvents();
        return FenetreImageActive(*Cadre);
    }
    TTraitementImage* Creer(THistoFit i) { return dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(i)); }
    void Activer(TTraitementImage* f)
    {
        Cadre->ZoneMDI()->setActiveSubWindow(f);
        QApplication::processEvents();
        ASSERT_EQ(FenetreImageActive(*Cadre), f);
    }
    // Runs the command with the form answered; the messages it raised.
    QString Lancer(QAction* item, const char* forme = nullptr, TForme reponse = {})
    {
        if (forme)
            Formes[QLatin1String(forme)] = std::move(reponse);
        Dialogues::ViderJournal();
        item->trigger();
        QStringList l;
        for (const TDemandeDialogue& d : Dialogues::Journal())
            if (d.Genre <= TGenreDemande::Erreur) // the message boxes
                l << d.Texte;
        return l.join(QLatin1Char('|'));
    }
    // Drags with the real mouse events on the picture control.
    void Glisser(TTraitementImage& f, QPoint de, QPoint a)
    {
        QTest::mousePress(f.ImgSource, Qt::LeftButton, {}, de);
        QMouseEvent deplacement(QEvent::MouseMove, a, f.ImgSource->mapToGlobal(a), Qt::NoButton, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(f.ImgSource, &deplacement);
        QTest::mouseRelease(f.ImgSource, Qt::LeftButton, {}, a);
    }
    // The frame's read-out with the mouse over (x, y).
    QString Lecture(TTraitementImage& f, QPoint p)
    {
        QTest::mouseMove(f.ImgSource, p);
        QApplication::processEvents();
        return Cadre->statusBar()->currentMessage();
    }
    // "Enregistrer sous" of the active window.
    QString EnregistrerSous(const QString& nom, QAction* item = nullptr)
    {
        AEnregistrer = Dossier.filePath(nom);
        (item ? item : Cadre->MnItmEnregistrerSous)->trigger();
        return AEnregistrer;
    }
    // Largest difference reported by numpy (an oracle that fails fails the test).
    double Ecart(const QStringList& arguments) { return Python(QStringLiteral("operation"), arguments).toDouble(); }
    // The peer convolves the pixels before with the kernel and compares: no pixel differs.
    void VerifierConvolution(const QString& avant, const QString& apres)
    {
        QStringList arguments{apres, avant};
        for (double v : Convolution->LireNoyau())
            arguments << QString::number(v, 'g', 17);
        EXPECT_EQ(Python(QStringLiteral("convolution"), arguments), QStringLiteral("0"));
    }
    // F9 gives the image before the command back, F9 again the result.
    void VerifierAnnulation(TTraitementImage* f, const THistoFit& avant)
    {
        const auto etat = [f] { return std::make_tuple(f->ImageFit.Pixels, f->ImageFit.XMax, f->ImageFit.YMax, f->Historique(), f->ImgSource->Picture.size()); };
        const auto apres = etat();
        Cadre->MnItmAnnulerRestaurer->trigger();
        EXPECT_EQ(etat(), std::make_tuple(avant.Pixels, avant.XMax, avant.YMax, QStringList{"Ouverture"}, QSize(avant.XMax + 1, avant.YMax + 1)));
        Cadre->MnItmAnnulerRestaurer->trigger();
        EXPECT_EQ(etat(), apres);
    }

    QTemporaryDir Dossier;
    QString AEnregistrer;
    QStringList AOuvrir;
    bool RepondreOui = true;
    std::map<QString, TForme> Formes; // by the form's object name
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
};

} // namespace

// Each command on the frame, compared with numpy, undone and restored.
TEST_F(TCommandes, OperationsContreNumpy)
{
    // b: the frame mirrored, so that the two operands differ everywhere.
    TTraitementImage* fb = OuvrirCopie("saao_raw_u16.fits", "saao_b.fit");
    ASSERT_NE(fb, nullptr);
    Cadre->MnItmMiroirHorizontal->trigger();
    const QString b = EnregistrerSous("b.fit");
    TTraitementImage* fa = OuvrirCopie("saao_raw_u16.fits", "saao.fit");
    const QString a = EnregistrerSous("a.fit");
    const QString n = QString::number(fb->Numero);
    const char* const choix = "TSelectionTraitementImage";
    const QSize l(536, 520), h(520, 536);
    const struct {
        QAction* item;
        QStringList numpy; // the operation and its arguments after the input
        QString historique;
        QSize taille;
        const char* forme;
        TForme reponse;
        double tolerance; // numpy sums the other image's mean in another order
    } cas[] = {
        // A double-click on the picker's line does as "Sélectionner".
        {Cadre->MnItmAdditionImage, {"add", b}, "Addition image #" + n, l, choix, ChoisirImage(fb->Numero), 0},
        {Cadre->MnItmSoustractionImage, {"sub", b}, "Soustraction image #" + n, l, choix, ChoisirImage(fb->Numero, true), 0},
        {Cadre->MnItmDivisionImage, {"div", b}, "Division image #" + n, l, choix, ChoisirImage(fb->Numero), 1},
        {Cadre->MnItmMultiplicationImage, {"mul", b}, "Multiplication image #" + n, l, choix, ChoisirImage(fb->Numero, true), 1},
        {Cadre->MnItmMoyenne, {"moy", b}, "Moyenne image #" + n, l, choix, ChoisirImage(fb->Numero), 0},
        {Cadre->MnItmRotation90, {"rot90"}, "Rotation horaire 90 degrés", h, nullptr, {}, 0},
        {Cadre->MnItmRotation180, {"rot180"}, "Rotation horaire 180 degrés", l, nullptr, {}, 0},
        {Cadre->MnItmRotation270, {"rot270"}, "Rotation horaire 270 degrés", h, nullptr, {}, 0},
        {Cadre->MnItmMiroirHorizontal, {"mirh"}, "Miroir horizontal", l, nullptr, {}, 0},
        {Cadre->MnItmMiroirVertical, {"mirv"}, "Miroir vertical", l, nullptr, {}, 0},
        {Cadre->MnItmTranslation, {"dec", "3", "-2"}, "Translation x 3,0 y -2,0", l, "TTranslationn",
         Saisir({{"Edtx", "3"}, {"Edty", "-2"}}), 0},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.historique.toStdString());
        TTraitementImage* f = Ouvrir(a);
        const THistoFit avant = Double(f->ImageFit);
        Lancer(c.item, c.forme, c.reponse);
        EXPECT_EQ(std::make_tuple(f->Historique(), f->Modifiee, f->ImgSource->Picture.size()),
                  std::make_tuple(QStringList{"Ouverture", c.historique}, true, c.taille));
        VerifierAnnulation(f, avant);
        const QString resultat = EnregistrerSous("r.fit");
        EXPECT_LE(Ecart(QStringList{c.numpy[0], resultat, a} + c.numpy.mid(1)), c.tolerance);
        EXPECT_TRUE(AccepteParFitsverify(resultat));
        f->close();
    }
    // The picker left no mark and the other window is unchanged.
    EXPECT_FALSE(fb->Modifiee);
    EXPECT_NE(fb->TexteStatut(), QStringLiteral("Sélection"));

    // Another size: a message, nothing changes; Annuler in the picker: nothing at all.
    TTraitementImage* ngc = OuvrirCopie("ngc1316_optical_i16.fits", "ngc.fit");
    Activer(fa);
    const THistoFit origine = Double(fa->ImageFit);
    EXPECT_EQ(Lancer(Cadre->MnItmAdditionImage, choix, ChoisirImage(ngc->Numero)),
              QStringLiteral("Les images doivent être de taille identique."));
    Lancer(Cadre->MnItmSoustractionImage, choix, [](QDialog& d) { return Presser(d, "BtnAnnuler"); });
    EXPECT_EQ(std::make_tuple(fa->ImageFit.Pixels, fa->Historique(), fa->Modifiee), std::make_tuple(origine.Pixels, QStringList{"Ouverture"}, false));

    // Translation: Annuler leaves the image and its display as they were, without marks.
    fa->AfficherImage(true, true);
    const QImage affichage = fa->ImgSource->Picture.copy();
    Lancer(Cadre->MnItmTranslation, "TTranslationn", Saisir({{"Edtx", "7"}}, "BtnAnnuler"));
    EXPECT_EQ(std::make_tuple(fa->ImageFit.Pixels, fa->ImgSource->Picture, fa->Modifiee), std::make_tuple(origine.Pixels, affichage, false));
    // A shift of the image's width or more leaves black, and can be undone.
    Lancer(Cadre->MnItmTranslation, "TTranslationn", Saisir({{"Edtx", "-536"}, {"Edty", "0"}}));
    EXPECT_TRUE(ToutNoir(fa->ImageFit));
    VerifierAnnulation(fa, origine);
    Lancer(Cadre->MnItmTranslation, "TTranslationn", Saisir({{"Edtx", "99999999999"}, {"Edty", "-"}}));
    EXPECT_EQ(fa->Historique().last(), QStringLiteral("Translation x 2147483647,0 y 0,0"));
    EXPECT_TRUE(ToutNoir(fa->ImageFit));
    // No number (",", or "abc" that no key brings in): the conversion error,
    // and nothing changes, not even the display.
    const auto etat = [fa] {
        return std::tuple(fa->ImageFit.Pixels, fa->Historique(), fa->Modifiee, fa->ImgSource->Picture);
    };
    const auto avant = etat();
    for (const QString texte : {",", "-,", "abc"})
        EXPECT_EQ(Lancer(Cadre->MnItmTranslation, "TTranslationn",
                         [texte](QDialog& d) {
                             d.show();
                             d.findChild<QLineEdit*>(QStringLiteral("Edtx"))->setText(texte);
                             return Presser(d, "BtnOK");
                         }),
                  "'" + texte + "' n'est pas une valeur en virgule flottante correcte");
    EXPECT_TRUE(etat() == avant);
}

TEST_F(TCommandes, ArithmetiqueAvecUneConstante)
{
    TTraitementImage* f = OuvrirCopie("m51_i16_256.fits", "m51.fit");
    ASSERT_NE(f, nullptr);
    const QString a = EnregistrerSous("a.fit");
    Lancer(Cadre->MnItmMultiplicationConstante, "TDemandeValeur", Saisir({{"EdtValeur", "2,5"}}));
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Multiplication constante 2,50"));
    Lancer(Cadre->MnItmAdditionConstante, "TDemandeValeur", Saisir({{"EdtValeur", "-100,25"}}));
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Addition constante -100,25"));
    EXPECT_EQ(f->TexteStatut(), TexteInfoFit(f->ImageFit));
    // 0 cannot divide: a message, image and history unchanged.
    const std::vector<double> pixels = f->ImageFit.Pixels;
    const QStringList historique = f->Historique();
    EXPECT_TRUE(Lancer(Cadre->MnItmDivisionConstante, "TDemandeValeur", Saisir({{"EdtValeur", "0"}}))
                    .startsWith(QStringLiteral("Division par zéro impossible")));
    EXPECT_EQ(f->ImageFit.Pixels, pixels);
    EXPECT_EQ(f->Historique(), historique);
    // Rounded then clamped at each step: compare against the same order.
    EXPECT_LE(Ecart({"cst", EnregistrerSous("cst.fit"), a, "2.5", "-100.25"}), 0);
}

TEST_F(TCommandes, AlignementStellaire)
{
    TTraitementImage* f1 = OuvrirCopie("saao_raw_u16.fits", "saao.fit");
    TTraitementImage* f2 = Ouvrir(f1->NomFichier);
    ASSERT_NE(f1, f2);
    // The second frame is the first moved by whole pixels.
    Lancer(Cadre->MnItmTranslation, "TTranslationn", Saisir({{"Edtx", "4"}, {"Edty", "3"}}));
    Activer(f1);
    // Without a rectangle: the message only.
    EXPECT_EQ(Lancer(Cadre->MnItmAlignementStellaire),
              QStringLiteral("Tracez un cadre autour d'une étoile référence pour appliquer un alignement stellaire."));
    int32_t x = 0, y = 0;
    PositionMaxiFit(f1->ImageFit, x, y);
    ASSERT_TRUE(x > 20 && y > 20);
    f1->FixerSelection(TSelectionImage{SelectionRectangle, x + 2, y + 2, 30, 30}, 100, true);
    const THistoFit avant = Double(f1->ImageFit);
    Lancer(Cadre->MnItmAlignementStellaire, "TSelectionTraitementImage", ChoisirImage(f2->Numero));
    EXPECT_EQ(f1->Historique().last(), QStringLiteral("Alignement stellaire #%1 x 4,0 y 3,0").arg(f2->Numero));
    // The other window shows the same frame.
    EXPECT_EQ(std::make_pair(f2->Selection.Genre, f2->Selection.X), std::make_pair(uint8_t(SelectionRectangle), x + 2));
    double ecart = 0;
    for (size_t i = 0; i < avant.Pixels.size(); ++i)
        ecart = std::max(ecart, std::fabs(f1->ImageFit.Pixels[i] - f2->ImageFit.Pixels[i]));
    EXPECT_LT(ecart, 1.0);
    VerifierAnnulation(f1, avant);

    // No star in either frame, or a rectangle of no pixel (width 0): a message, neither window changes.
    THistoFit noir = ImageFitDe(60, 60, [](int x, int y) { return x > 35 && y > 35 && x < 45 && y < 45 ? 500 : 0; });
    TTraitementImage* g1 = Creer(noir);
    TTraitementImage* g2 = Creer(noir);
    g2->FixerSelection(TSelectionImage{SelectionPoint, 3, 3, 0, 0}, 100, false);
    Activer(g1);
    g1->FixerSelection(TSelectionImage{SelectionRectangle, 12, 12, 16, 16}, 100, true);
    const QString m = Lancer(Cadre->MnItmAlignementStellaire, "TSelectionTraitementImage", ChoisirImage(g2->Numero));
    EXPECT_TRUE(m.startsWith(QStringLiteral("Aucune étoile n'a été trouvée"))) << m.toStdString();
    EXPECT_EQ(g2->Selection.Genre, SelectionPoint);
    g1->FixerSelection(TSelectionImage{SelectionRectangle, 40, 40, 0, 10}, 100, true);
    EXPECT_TRUE(Lancer(Cadre->MnItmAlignementStellaire).startsWith(QStringLiteral("Le cadre ne couvre aucun pixel")));
    EXPECT_EQ(std::make_pair(g1->Historique().size(), g1->ImageFit.Pixels), std::make_pair(qsizetype(1), noir.Pixels));
}

TEST_F(TCommandes, AjustementDesNiveaux)
{
    THistoFit i2 = ImageFitDe(40, 30, [](int x, int) { return 3000 + 2 * x; });
    TTraitementImage* f1 = Creer(ImageFitDe(40, 30, [](int x, int y) { return 1000 + x + y; }));
    TTraitementImage* f2 = Creer(i2);
    TTraitementImage* f3 = Creer(ImageFitDe(20, 10, [](int, int y) { return 200 + y; }));
    Activer(f1);
    // From one image (sizes may differ).
    Lancer(Cadre->MnItmAjusterNiveau_AppliquerDUneImage, "TSelectionTraitementImage", ChoisirImage(f3->Numero));
    EXPECT_EQ(f1->Historique().last(), QStringLiteral("Ajustement du niveau #%1 niveau moyen 204,5000").arg(f3->Numero));
    EXPECT_NEAR(MoyenneFit(f1->ImageFit), 204.5, 1e-9);
    // To the others: f2 and f3 take f1's mean, f1 stays.
    const std::vector<double> p1 = f1->ImageFit.Pixels;
    Cadre->MnItmAjusterNiveau_AppliquerAuxImages->trigger();
    EXPECT_EQ(f1->ImageFit.Pixels, p1);
    for (TTraitementImage* f : {f2, f3}) {
        EXPECT_NEAR(MoyenneFit(f->ImageFit), 204.5, 1e-9);
        EXPECT_EQ(f->Historique().last(), QStringLiteral("Ajustement du niveau #%1 niveau moyen 204,5000").arg(f1->Numero));
    }
    EXPECT_EQ(f1->TexteStatut(), TexteInfoFit(f1->ImageFit));
    Activer(f2);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f2->ImageFit.Pixels, i2.Pixels);
}

// Only the left button draws a selection: the right one has the popup menu,
// the middle, back and forward buttons leave any selection as it is, by a
// click or a drag, on press as on release.
TEST_F(TCommandes, SeulLeBoutonGaucheSelectionne)
{
    TTraitementImage* f = Creer(ImageFitDe(60, 40, [](int x, int y) { return x + y; }));
    // The selections the left button makes.
    const std::tuple<const char*, int, std::function<void()>> departs[] = {
        {"aucune", SelectionAucune, [] {}},
        {"point", SelectionPoint, [f] { QTest::mouseClick(f->ImgSource, Qt::LeftButton, {}, QPoint(10, 8)); }},
        {"rectangle", SelectionRectangle, [this, f] { Glisser(*f, QPoint(10, 8), QPoint(40, 30)); }},
    };
    for (const Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton, Qt::BackButton, Qt::ForwardButton})
        for (const auto& [nom, genre, depart] : departs) {
            SCOPED_TRACE(testing::Message() << "bouton " << b << ", sélection " << nom);
            f->MenuSelection_AucuneClick();
            depart();
            const TSelectionImage avant = f->Selection;
            ASSERT_EQ(avant.Genre, genre);
            const QImage affichage = f->ImgSource->Picture.copy();
            QTest::mouseClick(f->ImgSource, b, {}, QPoint(30, 20));
            QTest::mousePress(f->ImgSource, b, {}, QPoint(50, 35));
            QMouseEvent deplacement(QEvent::MouseMove, QPointF(20, 12), f->ImgSource->mapToGlobal(QPointF(20, 12)),
                                    Qt::NoButton, b, Qt::NoModifier);
            QApplication::sendEvent(f->ImgSource, &deplacement);
            QTest::mouseRelease(f->ImgSource, b, {}, QPoint(20, 12));
            const TSelectionImage& s = f->Selection;
            EXPECT_EQ(std::make_tuple(s.Genre, s.X, s.Y, s.Largeur, s.Hauteur),
                      std::make_tuple(avant.Genre, avant.X, avant.Y, avant.Largeur, avant.Hauteur));
            EXPECT_EQ(f->ImgSource->Picture, affichage);
        }
    EXPECT_EQ(Cadre->MnItmExporter->text(), QStringLiteral("Exporter la sélection"));
    // A left click on the selection clears it.
    QTest::mouseClick(f->ImgSource, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_EQ(f->Selection.Genre, SelectionAucune);
}

// The arithmetic items without a dialog run on the page the user is on;
// Médiane 3x3 brings "Source" forward first.
TEST_F(TCommandes, ArithmetiqueSurLaPageAffichee)
{
    TTraitementImage* f = Creer(ImageFitDe(40, 30, [](int x, int y) { return 1000 + x + 3 * y; }));
    TTraitementImage* autre = Creer(ImageFitDe(40, 30, [](int, int) { return 50; }));
    Activer(f);
    const struct {
        QAction* item;
        TTraitementImage* fenetre; // the window whose history gets the line
        QString historique;
    } cas[] = {
        {Cadre->MnItmMiroirHorizontal, f, "Miroir horizontal"},
        {Cadre->MnItmMiroirVertical, f, "Miroir vertical"},
        {Cadre->MnItmRotation90, f, "Rotation horaire 90 degrés"},
        {Cadre->MnItmRotation180, f, "Rotation horaire 180 degrés"},
        {Cadre->MnItmRotation270, f, "Rotation horaire 270 degrés"},
        {Cadre->MnItmAjusterNiveau_AppliquerAuxImages, autre, QStringLiteral("Ajustement du niveau #%1 niveau moyen 1063,0000").arg(f->Numero)},
    };
    for (const auto& c : cas)
        for (int page : {2, 4}) {
            f->PgCtrlPrincipale->setCurrentIndex(page);
            c.item->trigger();
            EXPECT_EQ(std::make_pair(f->PgCtrlPrincipale->currentIndex(), c.fenetre->Historique().last()),
                      std::make_pair(page, c.historique));
        }
    f->PgCtrlPrincipale->setCurrentIndex(2);
    Cadre->MnItmMediane3x3->trigger();
    EXPECT_EQ(f->PgCtrlPrincipale->currentWidget(), f->TbShtSource);
}

TEST_F(TCommandes, CourbesEtNiveauxCopies)
{
    TTraitementImage* f = OuvrirCopie("m51_i16_256.fits", "m51.fit");
    TTraitementImage* g = OuvrirCopie("m51_i16_256.fits", "m51b.fit");
    Activer(f);
    for (const auto& [item, trft] : {std::pair{Cadre->MnItmHistogramme_Logarithmique, 3.5},
                                     {Cadre->MnItmHistogramme_Exponentiel, -11.001},
                                     {Cadre->MnItmHistogramme_Lineaire, 0.0}}) {
        item->trigger();
        EXPECT_EQ(f->ImageFit.TRFT, trft);
    }
    // The tool buttons and the popup's items forward to the same commands.
    QTest::mouseClick(Cadre->TlBttnHistogrammeExp, Qt::LeftButton);
    EXPECT_EQ(f->ImageFit.TRFT, -11.001);
    f->PppMnImageSource->findChild<QAction*>(QStringLiteral("MenuHistogramme_Logarithmique"))->trigger();
    EXPECT_EQ(f->ImageFit.TRFT, 3.5);
    EXPECT_TRUE(f->TexteStatut().endsWith(QStringLiteral("Log")));
    EXPECT_EQ(f->Historique().size(), 1);
    Cadre->MnItmHistogramme_Automatique->trigger();
    EXPECT_EQ(f->ImageFit.TRFT, 0.0);
    // Levels and curve copied to the others, and from another.
    f->ImageFit.SMin = 100;
    f->ImageFit.SMax = 900;
    Cadre->MnItmHistogramme_Exponentiel->trigger();
    Cadre->MnItmHistogramme_AppliquerAuxImages->trigger();
    EXPECT_EQ(std::make_tuple(g->ImageFit.SMin, g->ImageFit.SMax, g->ImageFit.TRFT), std::make_tuple(100, 900, -11.001));
    Activer(g);
    Cadre->MnItmHistogramme_Lineaire->trigger();
    Activer(f);
    Lancer(Cadre->MnItmHistogramme_AppliquerDUneImage, "TSelectionTraitementImage", ChoisirImage(g->Numero));
    EXPECT_EQ(f->ImageFit.TRFT, 0.0);
    EXPECT_EQ(f->TexteStatut(), TexteInfoFit(f->ImageFit));
    // Display settings only: closing asks nothing.
    EXPECT_FALSE(f->Modifiee);
    EXPECT_FALSE(g->Modifiee);
}

TEST_F(TCommandes, NiveauProposeAuxDDP)
{
    int propose = -1;
    const auto lire = [&](const char* bouton) {
        return [&propose, bouton](QDialog& d) {
            propose = DDPNeutre->LireNiveau();
            return Presser(d, bouton);
        };
    };
    ASSERT_NE(OuvrirCopie("hubble_deep_field_24.bmp", "h.bmp"), nullptr);
    Lancer(Cadre->MnItmDDPNeutre, "TDDPNeutre", lire("BtnAnnuler"));
    EXPECT_EQ(propose, 26);
    TTraitementImage* f = OuvrirCopie("m51_i16_256.fits", "m51.fit");
    Lancer(Cadre->MnItmDDPNeutre, "TDDPNeutre", lire("BtnOK"));
    EXPECT_EQ(propose, MiniArrondiFit(f->AnnulationFit()));
    ASSERT_EQ(f->Historique().size(), 2);
    EXPECT_TRUE(f->Historique().last().startsWith(QStringLiteral("Filtre DDP neutre niveau ")));
}

TEST_F(TCommandes, BmpGrisDecoupeEtAvis)
{
    const QString source = CheminDonnees("hubble_deep_field_24.bmp");
    TTraitementImage* f = Ouvrir(source);
    ASSERT_NE(f, nullptr);
    // A FIT-only command on a bitmap: the notice naming it and nothing else.
    const std::pair<QAction*, QString> avis[] = {{Cadre->MnItmRotation90, "Rotation 90 degrés"},
                                                 {Cadre->MnItmAdditionConstante, "Addition - Constante"},
                                                 {Cadre->MnItmTranslation, "Translation"},
                                                 {Cadre->MnItmRedimensionnement, "Redimensionnement"}};
    for (const auto& [item, nom] : avis) {
        Lancer(item);
        ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
        EXPECT_EQ(Dialogues::Journal().front().NomObjet, AbandonBmp->objectName()) << JournalDialogues();
        EXPECT_EQ(AbandonBmp->Fonction(), nom);
    }
    EXPECT_FALSE(f->Modifiee);
    Cadre->MnItmNiveauxDeGris->trigger();
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Conversion en mode niveaux de gris"));
    EXPECT_EQ(f->ImageBmp.BitmapSource.format(), QImage::Format_Indexed8);
    EXPECT_EQ(Lancer(Cadre->MnItmNiveauxDeGris), QStringLiteral("L'image est déjà en niveaux de gris."));
    EXPECT_EQ(Ecart({"gris", EnregistrerSous("gris.bmp"), source}), 0);

    // Crop of the bitmap through the dialog: margins typed, compared with Pillow.
    TTraitementImage* g = Ouvrir(source);
    Lancer(Cadre->MnItmBordures, "TBordures",
           Saisir({{"EdtBordureHaut", "12"}, {"EdtBordureBas", "30"}, {"EdtBordureGauche", "7"}, {"EdtBordureDroite", "101"}},
                  "BtnAppliquer"));
    EXPECT_EQ(g->ImageBmp.BitmapSource.size(), QSize(1000 - 108, 872 - 42));
    EXPECT_EQ(g->Historique(), QStringList{"Ouverture"});
    EXPECT_TRUE(g->Modifiee);
    // F9 cannot bring the uncropped picture back.
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(g->ImageBmp.BitmapSource.size(), QSize(892, 830));
    EXPECT_EQ(Ecart({"decoupe", EnregistrerSous("coupe.bmp"), source, "12", "30", "7", "101"}), 0);
}

TEST_F(TCommandes, BorduresFitAuxZooms)
{
    const QString source = OuvrirCopie("m51_i16_256.fits", "m51.fit")->NomFichier;
    const auto marges = [](const QString& haut, const QString& bas, const QString& gauche, const QString& droite) {
        return std::vector<std::pair<const char*, QString>>{
            {"EdtBordureHaut", haut}, {"EdtBordureBas", bas}, {"EdtBordureGauche", gauche}, {"EdtBordureDroite", droite}};
    };
    // Typed in displayed pixels; at 200 % the dotted lines run on the rows and
    // columns typed, every second pixel.
    const struct {
        const char* zoom;
        QString haut, bas, gauche, droite;
        int t, b, g, d; // in image pixels
    } cas[] = {{"200%", "40", "100", "60", "120", 20, 50, 30, 60},
               {"50%", "10", "5", "3", "20", 20, 10, 6, 40},
               {"100%", "10", "5", "3", "20", 10, 5, 3, 20}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.zoom);
        TTraitementImage* f = Ouvrir(source);
        f->ZoomParTexte(QString::fromLatin1(c.zoom));
        f->AfficherImage(true, true);
        const THistoFit avant = Double(f->ImageFit);
        const QImage propre = f->ImgSource->Picture.copy();
        QImage vue;
        Lancer(Cadre->MnItmBordures, "TBordures", [&](QDialog& d) {
            d.show();
            Taper(d, marges(c.haut, c.bas, c.gauche, c.droite));
            QApplication::processEvents();
            vue = f->ImgSource->Picture.copy();
            return Presser(d, "BtnAppliquer");
        });
        ASSERT_EQ(QSize(LargeurFit(f->ImageFit), HauteurFit(f->ImageFit)), QSize(256 - c.g - c.d, 256 - c.t - c.b));
        EXPECT_EQ(std::make_tuple(f->ImageFit.Pixel(0, 0), f->ImageFit.Pixel(255 - c.g - c.d, 255 - c.t - c.b), LireNaxis1Fit(f->ImageFit)),
                  std::make_tuple(avant.Pixel(c.g, c.t), avant.Pixel(255 - c.d, 255 - c.b), 256 - c.g - c.d));
        if (c.t == 20 && c.g == 30) {
            ASSERT_EQ(vue.size(), QSize(512, 512));
            int marques = 0;
            for (int x = 0; x < 512; ++x)
                for (int y = 0; y < 512; ++y)
                    if (vue.pixel(x, y) != propre.pixel(x, y) && ++marques) {
                        EXPECT_TRUE(((y == 40 || y == 412) && x % 2 == 0) || ((x == 60 || x == 392) && y % 2 == 0)) << x << "," << y;
                    }
            EXPECT_GT(marques, 4 * 150);
        }
        f->close();
    }
    // Margins leaving no row: a message, and nothing changes at all.
    TTraitementImage* f = Ouvrir(source);
    f->FixerSelection(TSelectionImage{SelectionRectangle, 50, 50, 20, 20}, 100, true);
    const THistoFit avant = Double(f->ImageFit);
    for (const auto& [haut, bas] : {std::pair<QString, QString>{"128", "128"}, {"256", "0"}, {"200", "56"}}) {
        SCOPED_TRACE(haut.toStdString());
        EXPECT_TRUE(Lancer(Cadre->MnItmBordures, "TBordures", Saisir(marges(haut, bas, "0", "0"), "BtnAppliquer"))
                        .startsWith(QStringLiteral("Les bordures ne laissent aucune ligne")));
        EXPECT_EQ(std::make_tuple(f->ImageFit.Pixels, f->Historique(), f->Modifiee, f->Selection.Genre),
                  std::make_tuple(avant.Pixels, QStringList{"Ouverture"}, false, uint8_t(SelectionRectangle)));
    }
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Pixels, avant.Pixels);
    // All four at 0: the selection goes, nothing else.
    Lancer(Cadre->MnItmBordures, "TBordures", [](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnRaz")), Qt::LeftButton);
        return Presser(d, "BtnAppliquer");
    });
    EXPECT_EQ(std::make_tuple(f->ImageFit.Pixels, f->Modifiee, f->Selection.Genre), std::make_tuple(avant.Pixels, false, uint8_t(SelectionAucune)));
    // Annuler: the display again without lines.
    f->AfficherImage(true, true);
    const QImage propre = f->ImgSource->Picture.copy();
    Lancer(Cadre->MnItmBordures, "TBordures", Saisir({{"EdtBordureHaut", "40"}}, "BtnAnnuler"));
    EXPECT_EQ(f->ImgSource->Picture, propre);
}

TEST_F(TCommandes, RedimensionnementDansUneNouvelleFenetre)
{
    TTraitementImage* f = OuvrirCopie("m51_i16_256.fits", "m51.fit");
    const THistoFit avant = Double(f->ImageFit);
    f->InverserPositifNegatif();
    const int fenetres = Cadre->FenetresDuGenre(GenreImage).size();
    Lancer(Cadre->MnItmRedimensionnement, "TRedimensionnement", Saisir({{"EdtNouvelleFacteur", "2"}}));
    ASSERT_EQ(Cadre->FenetresDuGenre(GenreImage).size(), fenetres + 1);
    TTraitementImage* g = FenetreImageActive(*Cadre);
    ASSERT_NE(g, f);
    EXPECT_EQ(std::make_tuple(g->windowTitle(), g->Modifiee, g->Positif, g->Historique()),
              std::make_tuple(QStringLiteral("#%1 [*image non enregistrée*]").arg(g->Numero), true, false, QStringList{"Ouverture"}));
    EXPECT_EQ(f->ImageFit.Pixels, avant.Pixels);
    ASSERT_EQ(QSize(LargeurFit(g->ImageFit), HauteurFit(g->ImageFit)), QSize(512, 512));
    // The samples themselves are the core's; here, that the window holds them.
    EXPECT_EQ(std::make_pair(g->ImageFit.Pixel(0, 0), g->ImageFit.Pixel(510, 510)), std::make_pair(avant.Pixel(0, 0), avant.Pixel(255, 255)));

    // Past 3 million pixels the user is asked; No creates nothing.
    auto* gr = Creer(ImageFitDe(1500, 1000, [](int x, int y) { return x + y; }));
    Activer(gr);
    RepondreOui = false;
    const int avantQuestion = Cadre->FenetresDuGenre(GenreImage).size();
    for (const char* facteur : {"2", "1,5", "1,4"}) {
        const QString m = Lancer(Cadre->MnItmRedimensionnement, "TRedimensionnement", Saisir({{"EdtNouvelleFacteur", facteur}}));
        EXPECT_EQ(m.startsWith(QStringLiteral("L'image agrandie dépasse les 3 millions de pixels.")),
                  QByteArray(facteur) != "1,4") << facteur;
        Activer(gr);
    }
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreImage).size(), avantQuestion + 1); // only the 1,4 one
    // A size beyond what an image can hold: a message, and no window at all.
    RepondreOui = true;
    const QString m = Lancer(Cadre->MnItmRedimensionnement, "TRedimensionnement", Saisir({{"EdtNouvelleFacteur", "400"}}));
    EXPECT_TRUE(m.contains(QStringLiteral("dépasserait la taille maximale"))) << m.toStdString();
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreImage).size(), avantQuestion + 1);
}

TEST_F(TCommandes, StatistiquesEtImpression)
{
    TTraitementImage* f = OuvrirCopie("ngc1316_optical_i16.fits", "ngc.fit");
    ASSERT_NE(f, nullptr);
    const QString a = EnregistrerSous("a.fit");
    QString texte;
    const auto ligne = [&](const char* debut) {
        for (const QString& l : texte.split(QLatin1Char('\n')))
            if (l.startsWith(QLatin1String(debut)))
                return l.mid(19);
        return QString();
    };
    const QString pdf = Dossier.filePath("stats.pdf");
    Formes["TStatistiques"] = [&](QDialog& d) {
        texte = Statistiques->Texte();
        d.show();
        AEnregistrer = pdf;
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnImprimer")), Qt::LeftButton);
        return Presser(d, "BtnFermer");
    };
    QTest::mouseClick(Cadre->TlBttnStatistiques, Qt::LeftButton);
    EXPECT_EQ(Statistiques->windowTitle(), QStringLiteral("#%1 Statistiques [a.fit]").arg(f->Numero));
    const QStringList numpy = Python(QStringLiteral("stats"), {a}).split(QLatin1Char(' '));
    ASSERT_EQ(numpy.size(), 8);
    EXPECT_EQ(ligne("Moyenne"), QString(numpy[0]).replace(QLatin1Char('.'), QLatin1Char(',')));
    EXPECT_EQ(ligne("Ecart-type"), QString(numpy[1]).replace(QLatin1Char('.'), QLatin1Char(',')));
    EXPECT_EQ(ligne("Minimum"), numpy[2] + " @" + numpy[3] + "," + numpy[4]);
    EXPECT_EQ(ligne("Maximum"), numpy[5] + " @" + numpy[6] + "," + numpy[7]);
    EXPECT_EQ(ligne("Nombre de pixels"), QStringLiteral("132000"));
    // The printout, read back from the PDF.
    QString lu;
    ASSERT_EQ(LancerProgramme(QStringLiteral("/usr/bin/pdftotext"), {"-layout", pdf, "-"}, &lu), 0) << lu.toStdString();
    EXPECT_TRUE(lu.contains("Moyenne          : " + ligne("Moyenne"))) << lu.toStdString();
    EXPECT_FALSE(f->Modifiee);

    // A BMP rectangle shrunk to width 0, and one against the right edge.
    TTraitementImage* b = Ouvrir(CheminDonnees("hubble_deep_field_24.bmp"));
    b->FixerSelection(TSelectionImage{SelectionRectangle, 500, 400, 1, 40}, 100, true);
    uint16_t gauche = VK_LEFT;
    b->FormKeyDown(gauche, ssAlt);
    ASSERT_EQ(b->Selection.Largeur, 0);
    Formes["TStatistiques"] = [&](QDialog& d) {
        texte = Statistiques->Texte();
        return Presser(d, "BtnFermer");
    };
    for (const TSelectionImage& s : {b->Selection, TSelectionImage{SelectionRectangle, 995, 400, 12, 40}}) {
        b->FixerSelection(s, 100, true);
        Cadre->MnItmStatistiques->trigger();
        EXPECT_FALSE(texte.contains(QRegularExpression(QStringLiteral("nan|inf"), QRegularExpression::CaseInsensitiveOption))) << texte.toStdString();
        EXPECT_FALSE(ligne("Nombre de pixels").isEmpty() || ligne("Nombre de pixels") == QStringLiteral("0"));
    }
}

TEST_F(TCommandes, FitDeBoutEnBout)
{
    TTraitementImage* f = OuvrirCopie("m51_i16_256.fits", "m51.fit");
    ASSERT_NE(f, nullptr);
    // The header editor: Annuler from the tool button changes nothing.
    const QStringList entete = f->ImageFit.Entete;
    Formes["TEnteteFit"] = EditerEntete("BtnAnnuler");
    QTest::mouseClick(Cadre->TlBttnEnteteFit, Qt::LeftButton);
    EXPECT_EQ(EnteteFit->windowTitle(), QStringLiteral("#1 Entete Fit [m51.fit]"));
    EXPECT_EQ(f->ImageFit.Entete, entete);
    EXPECT_FALSE(f->Modifiee);
    // OK from the menu: the card is normalised, the image modified, the edit recorded.
    Formes["TEnteteFit"] = EditerEntete("BtnOK");
    Cadre->MnItmEnteteFit->trigger();
    const auto aCarte = [](const QStringList& l) { return l.contains(QStringLiteral("NOTE    = 'M51 essai'").leftJustified(80)); };
    EXPECT_TRUE(aCarte(f->ImageFit.Entete));
    EXPECT_TRUE(f->Modifiee);
    EXPECT_EQ(f->Historique(), (QStringList{"Ouverture", LigneHistoriqueEnteteFit()}));
    // Undo brings the former header back with the history; redo both again.
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Entete, entete);
    EXPECT_EQ(f->Historique().size(), 1);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_TRUE(aCarte(f->ImageFit.Entete));

    Glisser(*f, QPoint(40, 50), QPoint(120, 140));
    EXPECT_EQ(std::make_tuple(f->Selection.Genre, f->Selection.Largeur, f->Selection.Hauteur),
              std::make_tuple(uint8_t(SelectionRectangle), 80, 90));
    EXPECT_EQ(Cadre->MnItmExporter->text(), QStringLiteral("Exporter la sélection"));
    // Ctrl+Right on the picture moves the rectangle by 10 displayed pixels.
    const int x = f->Selection.X;
    QTest::keyClick(f->ImgSource, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(f->Selection.X, x + 10);
    // The read-out names the pixel under the mouse.
    EXPECT_EQ(Lecture(*f, QPoint(100, 37)), "x=100 y=37 valeur=" + ReelEnTexte(ValeurPixelFit(f->ImageFit, 100, 37), 0));

    // The kernel editor: a cell that is not a number gives the conversion
    // error and changes nothing.
    const std::vector<double> origine = f->ImageFit.Pixels;
    Dialogues::ViderJournal();
    Formes["TConvolution"] = Editer("Button2", {{"EdtCoef42", QStringLiteral(",")}});
    Cadre->MnItmConvolution->trigger();
    ASSERT_FALSE(Dialogues::Journal().empty()) << JournalDialogues();
    EXPECT_EQ(Dialogues::Journal().back().Genre, TGenreDemande::Erreur) << JournalDialogues();
    EXPECT_TRUE(Dialogues::Journal().back().Texte.contains(QStringLiteral("','"))) << JournalDialogues();
    EXPECT_EQ(std::make_pair(f->ImageFit.Pixels, f->Historique().size()), std::make_pair(origine, qsizetype(2)));
    // The gaussian preset with its top-right corner typed as -4: not symmetric;
    // saved, checked by astropy and read back.
    Formes["TConvolution"] = Editer("Button2", {{"EdtCoef42", QStringLiteral("1,6")}, {"EdtCoef15", QStringLiteral("-4")}});
    Cadre->MnItmConvolution->trigger();
    EXPECT_EQ(std::make_pair(Convolution->LireNoyau()[4], Convolution->LireNoyau()[12]), std::make_pair(-4.0, 9.0));
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Filtre convolution"));
    const QString source = f->NomFichier, nom = EnregistrerSous(QStringLiteral("m51_conv.fit"));
    EXPECT_EQ(std::make_pair(f->NomFichier, f->Historique().size()), std::make_pair(nom, qsizetype(3)));
    VerifierConvolution(source, nom);
    EXPECT_TRUE(AccepteParFitsverify(nom));
    TTraitementImage* relu = Ouvrir(nom);
    ASSERT_NE(relu, f);
    EXPECT_EQ(relu->ImageFit.Pixels, f->ImageFit.Pixels);
    EXPECT_TRUE(aCarte(relu->ImageFit.Entete));
}

TEST_F(TCommandes, Bmp24DeBoutEnBout)
{
    // Smaller than any screen, so that the frame keeps this size.
    Cadre->resize(780, 760);
    QApplication::processEvents();
    TTraitementImage* f = Ouvrir(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->ImageBmp.BitmapSource.format(), QImage::Format_BGR888);
    // A BMP picture has no header: "Entête Fit" does nothing.
    Dialogues::ViderJournal();
    f->AfficherEnteteFit();
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
    // 1000 x 872 in the frame: capped, the width at the document area beside the tool panel.
    const QSize cadre = Cadre->frameGeometry().size();
    EXPECT_EQ(f->size(), QSize(std::min({1000 + 20, cadre.width() - 50, Cadre->ZoneMDI()->viewport()->width()}),
                               std::min(872 + 85, cadre.height() - 90)));
    // The popup's zoom items go through the frame's handlers and check marks.
    for (QAction* a : f->MenuZoomImgSource->actions())
        if (a->data().toInt() == 50)
            a->trigger();
    EXPECT_EQ(f->ImgSource->Picture.size(), QSize(500, 436));
    for (QAction* a : Cadre->ItemsZoom)
        EXPECT_EQ(a->isChecked(), a->data().toInt() == 50) << a->text().toStdString();
    f->ZoomParTexte(QStringLiteral("100%"));
    Glisser(*f, QPoint(200, 100), QPoint(20, 10));
    EXPECT_EQ(f->Selection.Largeur, 180);
    EXPECT_EQ(Lecture(*f, QPoint(7, 9)), QStringLiteral("x=7 y=9"));

    // The kernel editor: Annuler changes nothing; the high-pass preset with
    // its centre typed as 4, through the window's popup item, sums to 0.
    const QImage origine = f->ImageBmp.BitmapSource.copy();
    Formes["TConvolution"] = Editer("BtnPasseBas", {}, "BtnAnnuler");
    Cadre->MnItmConvolution->trigger();
    EXPECT_EQ(std::make_tuple(f->ImageBmp.BitmapSource, f->Modifiee, f->Historique().size()), std::make_tuple(origine, false, qsizetype(1)));
    Formes["TConvolution"] = Editer("Button1", {{"EdtCoef33", QStringLiteral("4")}});
    f->MenuConvolutionImgSourceClick();
    EXPECT_EQ(SommeNoyau(Convolution->LireNoyau().data(), 5), 0.0);
    const QImage filtre = f->ImageBmp.BitmapSource.copy();
    ASSERT_NE(filtre, origine);
    // Saved as a new file, checked by Pillow; Enregistrer proposes the
    // image's own name, for a duplicate never saved none.
    const QString nom = EnregistrerSous(QStringLiteral("hubble_conv.bmp"));
    VerifierConvolution(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")), nom);
    Dialogues::ViderJournal();
    Cadre->MnItmEnregistrer->trigger();
    Cadre->MnItmDuppliquer->trigger();
    Cadre->MnItmEnregistrer->trigger();
    QStringList proposes;
    for (const TDemandeDialogue& d : Dialogues::Journal())
        if (d.Genre == TGenreDemande::EnregistrerFichier)
            proposes << d.Dossier;
    EXPECT_EQ(proposes, (QStringList{nom, QString()}));
    TTraitementImage* relu = Ouvrir(nom);
    ASSERT_NE(relu, f);
    EXPECT_EQ(relu->ImageBmp.BitmapSource, filtre); // format included

    // The rectangle exported as FIT: 180 x 90 grey pixels, a valid file.
    relu->FixerSelection(TSelectionImage{SelectionRectangle, 110, 55, 180, 90}, 100, true);
    const QString zone = EnregistrerSous(QStringLiteral("zone.fit"), Cadre->MnItmExporterFit);
    int32_t l = 0, h = 0;
    DimensionsFichierFit(zone, l, h);
    EXPECT_EQ(std::make_pair(l, h), std::make_pair(180, 90));
    EXPECT_TRUE(AccepteParFitsverify(zone));
}

// Two windows side by side with their rectangles and histories; the picture
// of the frame goes where STELOR_CAPTURE says (run under Xvfb to look at it).
TEST_F(TCommandes, DeuxFenetresAvecSelectionEtHistorique)
{
    TTraitementImage* fit = OuvrirCopie("ngc1316_optical_i16.fits", "ngc.fit");
    ASSERT_NE(fit, nullptr);
    Cadre->MnItmGaussien->trigger();
    Glisser(*fit, QPoint(150, 90), QPoint(260, 190));
    Cadre->MnItmHistorique->trigger();
    TTraitementImage* bmp = Ouvrir(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
    ASSERT_NE(bmp, nullptr);
    bmp->ZoomParTexte(QStringLiteral("50%"));
    Cadre->MnItmPasseBas->trigger();
    Glisser(*bmp, QPoint(120, 60), QPoint(300, 200));
    Cadre->MnItmHistorique->trigger();
    Cadre->ZoneMDI()->tileSubWindows();
    QApplication::processEvents();
    // Laid out as drawn: the page control takes the height, the status bar keeps its one line.
    for (TTraitementImage* f : {fit, bmp}) {
        EXPECT_EQ(f->Selection.Genre, SelectionRectangle);
        EXPECT_TRUE(f->RchEdtHistorique->isVisibleTo(f));
        EXPECT_EQ(f->Historique().size(), 2);
        EXPECT_EQ(f->SttsBrPrincipale->height(), f->SttsBrPrincipale->sizeHint().height());
    }
    // The dotted frame is red on the colour picture.
    EXPECT_EQ(bmp->ImgSource->Picture.convertToFormat(QImage::Format_RGB32).pixel(120, 60), qRgb(255, 0, 0));
    const QImage capture = Cadre->grab().toImage();
    ASSERT_FALSE(capture.isNull());
    if (const QString chemin = qEnvironmentVariable("STELOR_CAPTURE"); !chemin.isEmpty()) {
        EXPECT_TRUE(capture.save(chemin));
    }
}

// Files dropped on the frame, or on an edit of one of its windows, open in
// real image windows, whose kind the menus follow; nothing was changed, so
// quitting asks nothing.
TEST_F(TCommandes, DepotDeVraisFichiersEtMenusSelonLeGenre)
{
    const QString m1 = Dossier.filePath("m1.fit"), m3 = Dossier.filePath("m3.bmp");
    ASSERT_TRUE(QFile::copy(CheminDonnees("m51_i16_256.fits"), m1));
    ASSERT_TRUE(QFile::copy(CheminDonnees("hubble_deep_field_8.bmp"), m3));
    Cadre->DeposerFichiers({m1, m3});
    ASSERT_EQ(Cadre->FenetresDocument().size(), 2);
    ASSERT_EQ(Cadre->FenetreActive()->NumeroDocument(), 2);
    EXPECT_TRUE(Cadre->MnItmNiveauxDeGris->isEnabled());
    EXPECT_FALSE(Cadre->MnItmEnteteFit->isEnabled());
    Cadre->ZoneMDI()->setActiveSubWindow(Cadre->TrouverImage(1));
    EXPECT_TRUE(Cadre->MnItmEnteteFit->isEnabled());
    EXPECT_EQ(Cadre->NomFichierImage(1), m1);

    // Dropped on an edit of a window of the frame, the files open as on the
    // frame and the edit keeps its text; a dialog's edit takes nothing.
    Cadre->MnItmHistogramme_Afficher->trigger();
    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(m1), QUrl::fromLocalFile(Dossier.filePath("notes.txt"))});
    donnees.setText(m1); // as a file manager also gives it
    const std::tuple<QLineEdit*, bool, qsizetype> cas[] = {
        {Cadre->TrouverImage(1)->findChild<QLineEdit*>("EdtSigmaGaussien1"), true, 4},
        {Cadre->FenetreActive()->findChild<QLineEdit*>("EdtSeuilMaxi"), true, 5},
        {Gaussien->findChild<QLineEdit*>("EdtSigma"), false, 5}};
    for (const auto& [edit, pris, fenetres] : cas) {
        ASSERT_NE(edit, nullptr);
        const QString avant = edit->text();
        QDragEnterEvent entree(edit->rect().center(), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QDropEvent depot(edit->rect().center(), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        Dialogues::ViderJournal();
        QApplication::sendEvent(edit, &entree);
        QApplication::sendEvent(edit, &depot);
        EXPECT_EQ(std::make_tuple(entree.isAccepted(), edit->text(), Cadre->FenetresDocument().size(), Dialogues::Journal().size()),
                  std::make_tuple(pris, avant, fenetres, size_t(pris)))
            << edit->objectName().toStdString() << '\n' << JournalDialogues();
    }
    Dialogues::ViderJournal();
    EXPECT_TRUE(Cadre->close());
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
}

// Brought back by the Fenêtre menu or by Ctrl+Tab, an image window moves its
// selection with the arrows, whatever widget of it has the focus, and keeps
// its tab. Its threshold window, opened or brought back over it maximised,
// keeps its title bar and fixed size, and the image stays maximised.
TEST_F(TCommandes, FenetresRameneesParLeCadre)
{
    TTraitementImage* a = OuvrirCopie("m51_i16_256.fits", "a.fit");
    TTraitementImage* b = OuvrirCopie("m51_i16_256.fits", "b.fit");
    ASSERT_TRUE(a && b);
    Cadre->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Cadre));
    using TRetour = std::function<void()>;
    const auto parMenu = [this](const QString& titre) -> TRetour {
        return [this, titre] {
            emit Cadre->MnFenetre->aboutToShow();
            for (QAction* action : Cadre->MnFenetre->actions())
                if (action->text().contains(titre))
                    action->trigger();
        };
    };
    const TRetour parCtrlTab = [] {
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Control, Qt::NoModifier);
    };
    a->MenuSelection_CentreClick();
    for (const TRetour& retour : {parMenu("a.fit]"), parCtrlTab}) {
        Activer(b);
        retour();
        QApplication::processEvents();
        ASSERT_EQ(FenetreImageActive(*Cadre), a);
        // The key goes where the user's would: to the widget of the window that has the focus.
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && a->isAncestorOf(focus));
        const int x = a->Selection.X;
        QTest::keyClick(focus, Qt::Key_Right);
        EXPECT_EQ(std::make_pair(a->Selection.X, a->PgCtrlPrincipale->currentIndex()), std::make_pair(x + 1, 0));
    }
    a->showMaximized();
    const TRetour parF2 = [this] { Cadre->MnItmHistogramme_Afficher->trigger(); };
    QSize taille;
    for (const TRetour& ouvrir : {parF2, parF2, parMenu(" Histogramme ")}) {
        Activer(a);
        ouvrir();
        auto* s = qobject_cast<QMdiSubWindow*>(Cadre->FenetreActive());
        ASSERT_TRUE(s && s->windowTitle().contains(" Histogramme "));
        taille = taille.isEmpty() ? s->size() : taille;
        // The title bar sits above the controls.
        EXPECT_EQ(std::make_tuple(s->isMaximized(), s->widget()->y() > 0, s->size(), s->minimumSize() == s->maximumSize(),
                                  a->isMaximized()),
                  std::make_tuple(false, true, taille, true, true));
    }
}
