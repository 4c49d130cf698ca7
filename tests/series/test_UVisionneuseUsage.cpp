// The viewer driven through the frame as a user would, on copies of the real
// images: the pictures it shows are checked against astropy's values.
#include "PDialogues.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UParametres.h"
#include "UAnimation.h"
#include "UEnteteFit.h"
#include "UInstallationImage.h"
#include "UInstallationVisionneuse.h"
#include "UMain.h"
#include "UTraitementImage.h"
#include "UVisionneuse.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Bytes of an 8-bit picture, row after row without padding.
QByteArray Octets(const QImage& image)
{
    QByteArray b;
    for (int y = 0; y < image.height(); ++y)
        b.append(reinterpret_cast<const char*>(image.constScanLine(y)), image.width());
    return b;
}

class TUsageVisionneuse : public ::testing::Test {
protected:
    void SetUp() override
    {
        Repondeur = std::make_unique<TRepondeurTest>(Utilisateur.Repondeur());
        if (!Animation)
            Animation = new TAnimation;
        if (!EnteteFit)
            EnteteFit = new TEnteteFit;
        Cadre = new TMain;
        // Settings of this test's own: the file beside the test programs is
        // rewritten by the other tests running at the same time.
        Main = Cadre;
        InstallerFenetresImage(*Cadre);
        InstallerVisionneuse(*Cadre);
        Cadre->resize(1400, 1000);
        Cadre->show();
        for (const auto& [source, copie] : {std::pair{"m51_i16_256.fits", "m51.fit"},
                                            std::pair{"ngc1316_optical_i16.fits", "ngc1316.fit"},
                                            std::pair{"hubble_deep_field_8.bmp", "hubble_deep_field_8.bmp"},
                                            std::pair{"hubble_deep_field_24.bmp", "hubble_deep_field_24.bmp"}})
            ASSERT_TRUE(QFile::copy(CheminDonnees(QString::fromLatin1(source)), F(copie)));
    }
    void TearDown() override
    {
        TVisionneuse::AfficherStatistiquesHook = nullptr;
        delete Cadre;
        Main = nullptr;
        Repondeur.reset();
    }
    QString F(const char* nom) const { return Dossier.filePath(QString::fromLatin1(nom)); }

    // The shown picture as astropy reads the file.
    QByteArray Attendu(const QString& fichier, int bas, int haut, bool negatif)
    {
        const QString sortie = Dossier.filePath(QStringLiteral("attendu.raw"));
        Python(QStringLiteral("rendu_octets"),
               {fichier, QString::number(bas), QString::number(haut), QString::number(negatif), sortie});
        return QFile::exists(sortie) ? LireFichierComplet(sortie) : QByteArray();
    }

    void CliquerLigne(TVisionneuse& v, int ligne)
    {
        QListWidget* l = v.ChckLstBxImages;
        l->scrollToItem(l->item(ligne));
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(ligne)).center());
        QTRY_VERIFY(!v.RenduEnAttente());
    }

    void CocherALaSouris(TVisionneuse& v, int ligne)
    {
        QListWidget* l = v.ChckLstBxImages;
        QStyleOptionViewItem opt;
        opt.initFrom(l);
        opt.rect = l->visualItemRect(l->item(ligne));
        opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        const QRect coche = l->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, l);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, coche.center());
        QTRY_VERIFY(!v.RenduEnAttente());
    }

    // Drags the slider's handle by dy pixels with the mouse.
    void Glisser(QSlider* s, int dy)
    {
        QStyleOptionSlider opt;
        opt.initFrom(s);
        opt.orientation = s->orientation();
        opt.minimum = s->minimum();
        opt.maximum = s->maximum();
        opt.sliderPosition = s->sliderPosition();
        opt.sliderValue = s->value();
        opt.upsideDown = s->orientation() == Qt::Vertical ? !s->invertedAppearance() : s->invertedAppearance();
        const QPoint depart = s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s).center();
        QTest::mousePress(s, Qt::LeftButton, {}, depart);
        for (int k = 1; k <= 4; ++k) {
            QMouseEvent m(QEvent::MouseMove, depart + QPoint(0, dy * k / 4), s->mapToGlobal(depart + QPoint(0, dy * k / 4)),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(s, &m);
        }
        QTest::mouseRelease(s, Qt::LeftButton, {}, depart + QPoint(0, dy));
    }

    QTemporaryDir Dossier;
    TUtilisateurTest Utilisateur;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
};

} // namespace

TEST_F(TUsageVisionneuse, DeBoutEnBout)
{
    Cadre->MnItmVisionneuse->trigger();
    TVisionneuse* v = VisionneuseActive();
    ASSERT_NE(v, nullptr);

    // Ouvrir: the four copies, sorted, the first shown.
    Utilisateur.AOuvrir = {F("m51.fit"), F("ngc1316.fit"), F("hubble_deep_field_8.bmp"), F("hubble_deep_field_24.bmp")};
    QTest::mouseClick(v->BtBtnOuvrir, Qt::LeftButton);
    ASSERT_EQ(v->ChckLstBxImages->count(), 4);
    EXPECT_EQ(v->ChckLstBxImages->item(0)->text(), QStringLiteral("hubble_deep_field_24.bmp"));
    EXPECT_EQ(v->SttcTxtNomImage->text(), F("hubble_deep_field_24.bmp"));
    EXPECT_EQ(v->ImgVisualisation->width(), 1000);
    EXPECT_GE(v->width(), std::min(1000 + 275, Cadre->ZoneMDI()->viewport()->width()));

    // A click on m51.fit; the sliders at the file's automatic levels.
    CliquerLigne(*v, 2);
    ASSERT_EQ(v->SttcTxtNomImage->text(), F("m51.fit"));
    const THistoFit lu = FitLu(F("m51.fit"));

    // Drag both sliders: the picture is astropy's values at the new levels.
    Glisser(v->TrckBrSeuilHaut, 40);
    Glisser(v->TrckBrSeuilBas, -30);
    int bas = 65535 - v->TrckBrSeuilBas->value(), haut = 65535 - v->TrckBrSeuilHaut->value();
    ASSERT_EQ(v->ImgVisualisation->Picture().size(), QSize(256, 256));
    EXPECT_EQ(Octets(v->ImgVisualisation->Picture()), Attendu(F("m51.fit"), bas, haut, false)) << bas << " " << haut;

    // Auto, then pos/neg; Copier through the frame holds the negative.
    QTest::mouseClick(v->BtBtnSeuilsAuto, Qt::LeftButton);
    bas = SeuilMiniAutoFit(lu);
    haut = SeuilMaxiAutoFit(lu);
    EXPECT_EQ(std::pair(v->TrckBrSeuilBas->value(), v->TrckBrSeuilHaut->value()), std::pair(65535 - bas, 65535 - haut));
    QTest::mouseClick(v->SpdBttnPositifNegatif, Qt::LeftButton);
    EXPECT_EQ(Octets(v->ImgVisualisation->Picture()), Attendu(F("m51.fit"), bas, haut, true));
    QGuiApplication::clipboard()->clear();
    Cadre->MnItmCopier->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              v->ImgVisualisation->Picture().convertToFormat(QImage::Format_RGB32));
    Cadre->TlBttnPositifNegatif->click();
    EXPECT_FALSE(v->SpdBttnPositifNegatif->isChecked());
    EXPECT_EQ(Octets(v->ImgVisualisation->Picture()), Attendu(F("m51.fit"), bas, haut, false));

    EXPECT_EQ(v->PositionBasBmp, 255); // the BMP sliders keep their own positions

    // Ticks by mouse, then both sorts.
    CocherALaSouris(*v, 0);
    CocherALaSouris(*v, 3);
    EXPECT_EQ(v->CheminsCoches(), (QStringList{F("hubble_deep_field_24.bmp"), F("ngc1316.fit")}));
    CliquerLigne(*v, 2);
    v->MnItmTriParSerie->trigger();
    EXPECT_EQ(v->ChckLstBxImages->item(0)->text(), QStringLiteral("hubble_deep_field_8.bmp"));
    EXPECT_EQ(v->LigneSelectionnee(), 2); // m51.fit, followed
    v->MnItmTriAlphanumerique->trigger();
    EXPECT_EQ(v->ChckLstBxImages->item(0)->text(), QStringLiteral("hubble_deep_field_24.bmp"));
    EXPECT_EQ(v->CheminsCoches(), (QStringList{F("hubble_deep_field_24.bmp"), F("ngc1316.fit")}));

    // Statistics and header through the frame's tool buttons: named after
    // the viewer's file, with an image window #1 of another file open.
    QString nomStatistiques;
    TVisionneuse::AfficherStatistiquesHook = [&](const QString& nom, const TStatistiquesImage& s) {
        nomStatistiques = nom;
        EXPECT_EQ(s.Largeur, 256);
    };
    CliquerLigne(*v, 3);
    v->MnItmOuvrir->trigger();
    ASSERT_NE(FenetreImageActive(*Cadre), nullptr);
    EXPECT_EQ(FenetreImageActive(*Cadre)->NomFichier, F("ngc1316.fit"));
    CliquerLigne(*v, 2);
    Cadre->ZoneMDI()->setActiveSubWindow(v);
    Cadre->TlBttnStatistiques->click();
    EXPECT_EQ(nomStatistiques, QStringLiteral("m51.fit"));
    QString titre;
    Utilisateur.Modal = [&](QDialog& d) {
        titre = d.windowTitle();
        return mrCancel;
    };
    Cadre->TlBttnEnteteFit->click();
    EXPECT_EQ(titre, QStringLiteral("Entete Fit [m51.fit]"));

    // Save the list, clear it, load it: all is back.
    v->resize(640, 600);
    const TConfigurationVisionneuse avant = v->Configuration();
    const QByteArray image1 = Octets(v->ImgVisualisation->Picture());
    Utilisateur.AEnregistrer = Dossier.filePath(QStringLiteral("liste.vsn"));
    QTest::mouseClick(v->BtBtnEnregistrerConfiguration, Qt::LeftButton);
    QTest::mouseClick(v->BtBtnEffacer, Qt::LeftButton);
    EXPECT_EQ(v->ChckLstBxImages->count(), 0);
    Utilisateur.AOuvrir = {Utilisateur.AEnregistrer};
    QTest::mouseClick(v->BtBtnChargerConfiguration, Qt::LeftButton);
    EXPECT_EQ(v->Configuration(), avant);
    EXPECT_EQ(Octets(v->ImgVisualisation->Picture()), image1);

    // "Animer", all lines upward without loop: it plays to the last line.
    Utilisateur.Modal = [&](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("EdtFrequence"))->setText(QStringLiteral("1"));
        d.findChild<QComboBox*>(QStringLiteral("CmbBxImages"))->setCurrentIndex(0);
        d.findChild<QComboBox*>(QStringLiteral("CmbBxSens"))->setCurrentIndex(0);
        Animation->FixerBoucle(false);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnOK")), Qt::LeftButton);
        return d.result() == QDialog::Accepted ? mrOk : mrCancel;
    };
    CliquerLigne(*v, 0);
    QTest::mouseClick(v->SpdBttnAnimer, Qt::LeftButton);
    EXPECT_EQ(v->PeriodeAnimation, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!v->AnimationEnCours(), 20000);
    EXPECT_EQ(v->SttcTxtNomImage->text(), F("ngc1316.fit"));
    EXPECT_EQ(v->ImgVisualisation->width(), 440);
}
