// The preferences dialog on its own and with the frame: loading, the ladder
// and the steppers, the previews, and what Ok / Appliquer / Annuler /
// Réinitialiser leave in the settings file.
#include "PFichiers.h"
#include "Soutien.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPreferences.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// One click on a bare up-down.
void Cliquer(QSpinBox* hautBas, bool monter) { hautBas->setValue(monter ? 2501 : 2499); }

QSpinBox* HautBas(QWidget& d, const char* nom) { return d.findChild<QSpinBox*>(QString::fromLatin1(nom)); }
QPushButton* Bouton(QWidget& d, const char* nom) { return d.findChild<QPushButton*>(QString::fromLatin1(nom)); }

class TPreferencesEssai : public ::testing::Test {
protected:
    void SetUp() override
    {
        Cadre = new TMain;
        Fichier = Dossier.filePath(QStringLiteral("Stelor.ini"));
        FixerFichierPreferences(Fichier);
        Cadre->show();
        Dialogue = new TPreferences;
        Preferences = Dialogue;
        Dialogues::ViderJournal();
    }
    void TearDown() override
    {
        delete Dialogue;
        delete Cadre;
    }
    QByteArray Contenu() const { return QFile::exists(Fichier) ? LireFichierComplet(Fichier) : QByteArray(); }
    QColor FondCadre() const { return Cadre->ZoneMDI()->background().color(); }
    QString Onglet() const { return Dialogue->PgCntrlPrincipale()->currentWidget()->objectName(); }
    static QStringList Textes(std::initializer_list<QLineEdit*> edits)
    {
        QStringList t;
        for (QLineEdit* e : edits)
            t << e->text();
        return t;
    }
    // The colour dialog answers with c.
    static Dialogues::TRepondeur Couleur(QColor c)
    {
        return [c](const TDemandeDialogue& d) {
            TReponseDialogue r = ReponseParDefaut(d);
            if (d.Genre == TGenreDemande::Couleur)
                r.Couleur = c;
            return r;
        };
    }
    QStringList Erreurs() const
    {
        QStringList t;
        for (const TDemandeDialogue& d : Dialogues::Journal())
            if (d.Genre == TGenreDemande::Erreur)
                t << d.Texte;
        return t;
    }

    QTemporaryDir Dossier;
    QString Fichier;
    TMain* Cadre = nullptr;
    TPreferences* Dialogue = nullptr;
    TRepondeurTest Repondeur{ReponseParDefaut};
};

} // namespace

TEST_F(TPreferencesEssai, ChaqueAffichageRechargeLeFichier)
{
    EcrireSigmasGaussien(1.25, 1.0, 1.2, 1.5, 1.8);
    EcrireReglSeuilsVisu(240);
    EcrireDefilImgTpsReel(false);
    Dialogue->show();
    EXPECT_EQ(Onglet(), "TbShtGeneral");
    EXPECT_FALSE(Dialogue->findChild<QCheckBox*>("ChckBxDefilementImageTpsReel")->isChecked());
    // Sigmas with one decimal, the dropped half away from zero.
    EXPECT_EQ(Textes({Dialogue->EdtReglageSeuils(), Dialogue->EdtOffsetDetectionEtoiles(), Dialogue->EdtSigmaGauss()[0],
                      Dialogue->EdtCoefMF()[4]}),
              QStringList({"240", "1000", "1,3", "2,6"}));
    EXPECT_EQ(Dialogue->focusWidget(), Bouton(*Dialogue, "BtnOk"));
    // Edits then Annuler: the next showing reads the file again, on the tab last shown.
    Dialogue->EdtSigmaGauss()[0]->setText(QStringLiteral("2,0"));
    Dialogue->PgCntrlPrincipale()->setCurrentIndex(2);
    QTest::mouseClick(Bouton(*Dialogue, "BtnAnnuler"), Qt::LeftButton);
    EXPECT_FALSE(Dialogue->isVisible());
    Dialogue->show();
    EXPECT_EQ(Dialogue->EdtSigmaGauss()[0]->text(), "1,3");
    EXPECT_EQ(Onglet(), "TbShtMasqueFlou");
}

TEST_F(TPreferencesEssai, EchelleDuReglageDesSeuils)
{
    Dialogue->show();
    QSpinBox* hautBas = HautBas(*Dialogue, "UpDwnSigmaMF1");
    const std::tuple<const char*, bool, const char*> cas[] = {
        {"240", true, "500"}, {"500", false, "240"}, {"500", true, "500"}, {"60", false, "60"},
        {"60", true, "120"},  {"100", true, "120"},  {"100", false, "60"}, {"180", false, "120"}};
    for (const auto& [depart, monter, attendu] : cas) {
        Dialogue->EdtReglageSeuils()->setText(QString::fromLatin1(depart));
        Cliquer(hautBas, monter);
        EXPECT_EQ(Dialogue->EdtReglageSeuils()->text(), attendu) << depart << (monter ? " +" : " -");
    }
    // Typed characters never reach it.
    Dialogue->EdtReglageSeuils()->setText(QStringLiteral("60"));
    QTest::keyClicks(Dialogue->EdtReglageSeuils(), QStringLiteral("7x"));
    EXPECT_EQ(Dialogue->EdtReglageSeuils()->text(), "60");
    // The offset takes digits only.
    QLineEdit* offset = Dialogue->EdtOffsetDetectionEtoiles();
    offset->clear();
    QTest::keyClicks(offset, QStringLiteral("-1a2,5"));
    EXPECT_EQ(offset->text(), "125");
    // Nor does a pasted sign.
    QGuiApplication::clipboard()->setText(QStringLiteral("-2147483649"));
    QTest::keyClick(offset, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(offset->text(), "125");
}

TEST_F(TPreferencesEssai, PasDesSigmasEtDesCoefficients)
{
    Dialogue->show();
    QLineEdit* sigma = Dialogue->EdtSigmaMF()[1];
    QLineEdit* coef = Dialogue->EdtCoefMF()[2];
    const std::tuple<QLineEdit*, const char*, const char*, bool, const char*> cas[] = {
        {sigma, "UpDwnSigmaMF2", "0,2", false, "0,2"}, {sigma, "UpDwnSigmaMF2", "0,3", false, "0,2"},
        {sigma, "UpDwnSigmaMF2", "", true, "0,3"},     {sigma, "UpDwnSigmaMF2", "0,1", false, "0,2"},
        {sigma, "UpDwnSigmaMF2", "2,9", true, "3,0"},  {coef, "UpDwnCoefMF3", "0,1", false, "0,0"},
        {coef, "UpDwnCoefMF3", "0,0", false, "0,0"},   {coef, "UpDwnCoefMF3", "", true, "0,1"},
    };
    for (const auto& [edit, nomHautBas, depart, monter, attendu] : cas) {
        edit->setText(QString::fromLatin1(depart));
        Cliquer(HautBas(*Dialogue, nomHautBas), monter);
        EXPECT_EQ(edit->text(), attendu) << nomHautBas << " " << depart << (monter ? " +" : " -");
    }
    // The group stops going down as soon as its first value is at the minimum.
    const QStringList valeurs = {"0,2", "1,0", "1,2", "1,5", "1,8"};
    for (int i = 0; i < 5; ++i)
        Dialogue->EdtSigmaGauss()[i]->setText(valeurs[i]);
    Cliquer(HautBas(*Dialogue, "UpDwnSigmasGauss"), false);
    const auto& g = Dialogue->EdtSigmaGauss();
    EXPECT_EQ(Textes({g[0], g[1], g[2], g[3], g[4]}), valeurs);
    Cliquer(HautBas(*Dialogue, "UpDwnSigmasGauss"), true);
    EXPECT_EQ(Textes({Dialogue->EdtSigmaGauss()[0], Dialogue->EdtSigmaGauss()[4]}), QStringList({"0,3", "1,9"}));
    // The coefficients' group brings an empty edit to 0 first.
    Dialogue->EdtCoefMF()[3]->clear();
    Cliquer(HautBas(*Dialogue, "UpDwnCoefsMF"), true);
    EXPECT_EQ(Textes({Dialogue->EdtCoefMF()[0], Dialogue->EdtCoefMF()[3]}), QStringList({"1,1", "0,1"}));
}

TEST_F(TPreferencesEssai, ApercusSuiventLesEdits)
{
    Dialogue->show();
    const std::pair<const char*, QRgb> gauss[] = {{"1,6", qRgb(0, 0, 128)}, {"3,2", qRgb(0, 0, 255)},
                                                  {"9,9", qRgb(0, 0, 255)}, {"0,2", qRgb(0, 0, 16)},
                                                  {"", qRgb(128, 128, 128)}, {",", qRgb(128, 128, 128)}};
    for (const auto& [sigma, couleur] : gauss) {
        Dialogue->EdtSigmaGauss()[2]->setText(QString::fromLatin1(sigma));
        const QImage& b = Dialogue->ApercuGaussien(2);
        EXPECT_EQ(b.pixel(0, 0), couleur | 0xFF000000) << sigma;
        EXPECT_EQ(b.pixel(b.width() - 1, b.height() - 1), b.pixel(0, 0));
    }
    // Coefficient edit c redraws row c, sigma edit s column s.
    Dialogue->EdtCoefMF()[1]->setText(QStringLiteral("2,0"));
    Dialogue->EdtSigmaMF()[3]->setText(QStringLiteral("1,6"));
    EXPECT_EQ(Dialogue->ApercuMasqueFlou(1, 3).pixel(0, 0), qRgb(128, 128, 0));
    EXPECT_EQ(qRed(Dialogue->ApercuMasqueFlou(1, 0).pixel(0, 0)), 128);
    EXPECT_EQ(qGreen(Dialogue->ApercuMasqueFlou(4, 3).pixel(0, 0)), 128);
    Dialogue->EdtCoefMF()[1]->clear();
    EXPECT_EQ(Dialogue->ApercuMasqueFlou(1, 3).pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_NE(Dialogue->ApercuMasqueFlou(2, 3).pixel(0, 0), qRgb(128, 128, 128));
}

TEST_F(TPreferencesEssai, AppliquerEcritToutEtPousse)
{
    Dialogue->show();
    Dialogue->EdtOffsetDetectionEtoiles()->clear();
    Cliquer(HautBas(*Dialogue, "UpDwnSigmaMF1"), true);
    Dialogue->EdtCoefMF()[4]->setText(QStringLiteral("3,5"));
    {
        TRepondeurTest couleur(Couleur(QColor(10, 20, 30)));
        QTest::mouseClick(Dialogue->ImgCouleurFondApplication(), Qt::LeftButton);
    }
    EXPECT_EQ(Dialogue->BitmapCouleurFond().pixel(3, 3), qRgb(10, 20, 30));
    EXPECT_NE(FondCadre(), QColor(10, 20, 30)); // not before Appliquer
    QTest::mouseClick(Bouton(*Dialogue, "BtnAppliquer"), Qt::LeftButton);
    EXPECT_TRUE(Dialogue->isVisible());
    EXPECT_EQ(Dialogue->EdtOffsetDetectionEtoiles()->text(), "0");
    EXPECT_EQ(
        std::tuple(LireOffsetDetectEtoiles(), LireReglSeuilsVisu(), LireCoefMasqueFlou(5), LireSigmaMasqueFlou(1)),
        std::tuple(0, 120, 3.5, 0.7));
    EXPECT_EQ(FondCadre(), QColor(10, 20, 30));
    EXPECT_TRUE(Contenu().contains("CoulFondApp=1971210\n")) << Contenu().constData();
    EXPECT_TRUE(Erreurs().isEmpty());

    // Réinitialiser: the defaults in the file, the controls and the frame.
    QTest::mouseClick(Bouton(*Dialogue, "BtnReinitPreferences"), Qt::LeftButton);
    EXPECT_TRUE(Dialogue->isVisible());
    EXPECT_EQ(Textes({Dialogue->EdtReglageSeuils(), Dialogue->EdtOffsetDetectionEtoiles(), Dialogue->EdtCoefMF()[4]}),
              QStringList({"60", "1000", "2,6"}));
    EXPECT_TRUE(Contenu().contains("CoulFondApp=-16777204\n"));
    EXPECT_EQ(FondCadre(), CouleurEnQColor(clAppWorkSpace));
    // Ok writes and closes.
    Dialogue->EdtSigmaGauss()[0]->setText(QStringLiteral("2,5"));
    QTest::mouseClick(Bouton(*Dialogue, "BtnOk"), Qt::LeftButton);
    EXPECT_EQ(std::pair(Dialogue->isVisible(), Dialogue->result()), std::pair(false, int(QDialog::Accepted)));
    EXPECT_EQ(LireSigmaGaussien(1), 2.5);
}

TEST_F(TPreferencesEssai, AnnulerApresUneCouleurGardeLaCouleurEnregistree)
{
    EcrireCoulFondApp(255);
    Cadre->MajFenetresImagesSuivantPreferences();
    Dialogue->show();
    TRepondeurTest couleur(Couleur(QColor(0, 255, 0)));
    QTest::mouseClick(Dialogue->ImgCouleurFondApplication(), Qt::LeftButton);
    EXPECT_EQ(Dialogue->CouleurDialogue(), 0x00FF00);
    QTest::mouseClick(Bouton(*Dialogue, "BtnAnnuler"), Qt::LeftButton);
    EXPECT_EQ(FondCadre(), QColor(255, 0, 0));
    Dialogue->show();
    EXPECT_EQ(std::pair(Dialogue->CouleurDialogue(), Dialogue->BitmapCouleurFond().pixel(0, 0)),
              std::pair(255, qRgb(255, 0, 0)));
}

TEST_F(TPreferencesEssai, UnChampQuiNEstPasUnNombreNEcritRien)
{
    EcrireSigmasGaussien(1.0, 1.0, 1.2, 1.5, 1.8);
    const QByteArray avant = Contenu();
    for (const char* bouton : {"BtnOk", "BtnAppliquer"}) {
        Dialogue->show();
        Dialogue->PgCntrlPrincipale()->setCurrentIndex(0);
        Dialogue->EdtOffsetDetectionEtoiles()->setText(QStringLiteral("5"));
        Dialogue->EdtSigmaGauss()[0]->setText(QStringLiteral("2,0"));
        Dialogue->EdtCoefMF()[2]->setText(QStringLiteral(","));
        Dialogues::ViderJournal();
        QTest::mouseClick(Bouton(*Dialogue, bouton), Qt::LeftButton);
        EXPECT_EQ(Erreurs(), QStringList{"',' n'est pas une valeur en virgule flottante correcte"}) << bouton;
        // Nothing written, nothing pushed, the other edits kept, the user on the field.
        EXPECT_EQ(Contenu(), avant) << bouton;
        EXPECT_TRUE(Dialogue->isVisible()) << bouton;
        EXPECT_EQ(Dialogue->EdtSigmaGauss()[0]->text() + " " + Onglet(), "2,0 TbShtMasqueFlou");
        EXPECT_EQ(Dialogue->focusWidget(), Dialogue->EdtCoefMF()[2]);
        Dialogue->hide();
    }
    // An empty sigma gives the same message with its empty text; a negative
    // offset, sigma or coefficient (from an older file) is refused too.
    const QString negatif = "'-5' n'est pas une valeur correcte : elle ne peut être négative.";
    const std::tuple<QLineEdit*, QString, QString> cas[] = {
        {Dialogue->EdtSigmaMF()[4], "", "'' n'est pas une valeur en virgule flottante correcte"},
        {Dialogue->EdtOffsetDetectionEtoiles(), "-5", negatif},
        {Dialogue->EdtSigmaMF()[1], "-5", negatif},
    };
    for (const auto& [edit, texte, message] : cas) {
        Dialogue->show(); // reloads every field from the file
        edit->setText(texte);
        Dialogues::ViderJournal();
        QTest::mouseClick(Bouton(*Dialogue, "BtnOk"), Qt::LeftButton);
        EXPECT_EQ(std::tuple(Erreurs(), Dialogue->focusWidget() == edit, Contenu()),
                  std::tuple(QStringList{message}, true, avant));
        Dialogue->hide();
    }
}

// A paste comes in only when the field could hold its text as typed: one
// decimal in a sigma field, so 3,25 never reaches the file.
TEST_F(TPreferencesEssai, CollageDeTropDeDecimalesRefuse)
{
    EcrireSigmasGaussien(1.0, 1.0, 1.2, 1.5, 1.8);
    Dialogue->show();
    Dialogue->PgCntrlPrincipale()->setCurrentIndex(1);
    QLineEdit* sigma = Dialogue->EdtSigmaGauss()[0];
    const auto coller = [sigma](const char* texte, bool remplacer) {
        sigma->setFocus();
        sigma->setText(QStringLiteral("1,0"));
        if (remplacer)
            sigma->selectAll();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(texte));
        QTest::keyClick(sigma, Qt::Key_V, Qt::ControlModifier);
        return sigma->text();
    };
    EXPECT_EQ(QStringList({coller("3,25", true), coller("3.25", true), coller(",25", true), coller("5", false),
                           coller("3.2", true)}),
              QStringList({"1,0", "1,0", "1,0", "1,0", "3,2"}));
    QTest::mouseClick(Bouton(*Dialogue, "BtnAppliquer"), Qt::LeftButton);
    EXPECT_EQ(LireSigmaGaussien(1), 3.2);
    EXPECT_TRUE(Erreurs().isEmpty()) << JournalDialogues();
}

TEST_F(TPreferencesEssai, EcritureRefuseeMontreLErreurEtGardeLeDialogue)
{
    // procfs refuses every new file, whoever runs the test.
    FixerFichierPreferences(QStringLiteral("/proc/Stelor.ini"));
    const QColor fond = FondCadre();
    Dialogue->show();
    Cliquer(HautBas(*Dialogue, "UpDwnSigmaMF1"), true);
    QTest::mouseClick(Bouton(*Dialogue, "BtnOk"), Qt::LeftButton);
    ASSERT_EQ(Erreurs().size(), 1);
    EXPECT_FALSE(Erreurs()[0].contains("virgule")) << Erreurs()[0].toStdString();
    EXPECT_TRUE(Dialogue->isVisible());
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/Stelor.ini")));
    EXPECT_EQ(FondCadre(), fond);
}
