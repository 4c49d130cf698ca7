// The preprocessing window driven through the frame: Outils > Prétraitement,
// the four lists filled through the open dialog, the master previews checked
// against numpy, and the registration frame drawn with the mouse.
#include "PDialogues.h"
#include "Soutien.h"
#include "UControleImage.h"
#include "UEcritureFit.h"
#include "UInstallationPretraitement.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPretraitement.h"

#include <QTabBar>
#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

// The texts of the boxes shown since the journal was emptied.
QStringList Messages(TGenreDemande genre = TGenreDemande::Information)
{
    QStringList m;
    for (const TDemandeDialogue& d : Dialogues::Journal())
        if (d.Genre == genre)
            m.append(d.Texte);
    return m;
}

QStringList Textes(const QListWidget* l)
{
    QStringList t;
    for (int i = 0; i < l->count(); ++i)
        t.append(l->item(i)->text());
    return t;
}

class TFenetrePretraitement : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Series = std::make_unique<QTemporaryDir>();
        EcrireSeriesEssai(Series->path());
    }

    void SetUp() override
    {
        // A copy of the series that the test may change.
        for (const QString& n : QDir(Series->path()).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(Series->filePath(n), Dossier.filePath(n)));
        Cadre = new TMain;
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        InstallerPretraitement(*Cadre);
        Cadre->resize(1400, 1000);
        Cadre->show();
        Cadre->MnItmPretraitement->trigger();
        F = qobject_cast<TPretraitement*>(Cadre->FenetreActive());
        ASSERT_NE(F, nullptr);
        QApplication::processEvents();
        Dialogues::ViderJournal();
    }
    void TearDown() override
    {
        delete Cadre;
        FermerPreferences();
    }

    QString Chemin(const char* n) const { return Dossier.filePath(QString::fromUtf8(n)); }
    // Puts a copy of another file, cut to the size given, in the place of one listed.
    void Remplacer(const char* nom, const char* par, qint64 taille = -1)
    {
        QFile::remove(Chemin(nom));
        QFile::copy(Chemin(par), Chemin(nom));
        if (taille >= 0)
            QFile::resize(Chemin(nom), taille);
    }
    void Ajouter(QPushButton* bouton, std::initializer_list<const char*> noms)
    {
        AOuvrir.clear();
        for (const char* n : noms)
            AOuvrir << Chemin(n);
        QTest::mouseClick(bouton, Qt::LeftButton);
    }

    // Computes the dark, flat and offset masters, saves each under its name; the status lines shown.
    QStringList Masters(std::initializer_list<const char*> noms)
    {
        QStringList messages;
        auto nom = noms.begin();
        for (const auto& [calcul, enregistrer] : {std::pair{F->BtBtnDarkProcess, F->BtBtnDarkEnregistrerSous},
                                                  std::pair{F->BtBtnFlatProcess, F->BtBtnFlatEnregistrerSous},
                                                  std::pair{F->BtBtnOffsetProcess, F->BtBtnOffsetEnregistrerSous}}) {
            QTest::mouseClick(calcul, Qt::LeftButton);
            AEnregistrer = Chemin(*nom++);
            QTest::mouseClick(enregistrer, Qt::LeftButton);
            messages << F->LblMessage->text();
        }
        return messages;
    }

    // A drag with the real mouse events on the registration picture; pendant runs before the release.
    void Glisser(QPoint de, QPoint a, const std::function<void()>& pendant = {})
    {
        QWidget* image = F->ImgRegistration;
        QTest::mousePress(image, Qt::LeftButton, {}, de);
        QMouseEvent deplacement(QEvent::MouseMove, a, image->mapToGlobal(a), Qt::NoButton, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(image, &deplacement);
        if (pendant)
            pendant();
        QTest::mouseRelease(image, Qt::LeftButton, {}, a);
    }

    static inline std::unique_ptr<QTemporaryDir> Series;
    QTemporaryDir Dossier;
    // The open and save dialogs answer with the names queued; boxes OK, questions No.
    QStringList AOuvrir;
    QString AEnregistrer;
    TRepondeurTest Repondeur{[this](const TDemandeDialogue& d) {
        TReponseDialogue r = ReponseParDefaut(d);
        if (d.Genre == TGenreDemande::OuvrirFichiers)
            r.Fichiers = AOuvrir;
        else if (d.Genre == TGenreDemande::EnregistrerFichier)
            r.Fichiers = QStringList{AEnregistrer};
        return r;
    }};
    TMain* Cadre = nullptr;
    TPretraitement* F = nullptr;
};

} // namespace

TEST_F(TFenetrePretraitement, CreationDefautsEtMiseEnPage)
{
    EXPECT_EQ(F->windowTitle(), QStringLiteral("#1 Prétraitement d'images"));
    // The defaults the run reads.
    EXPECT_EQ(F->CmbBxDarkMedianeMoyenne->currentText() + F->CmbBxRegistration->currentText() +
                  F->CmbBxPlanRegistration->currentText() + F->CmbBxExecutionMoyenneAddition->currentText(),
              QStringLiteral("MédianeStellaireVertMoyenne"));
    EXPECT_EQ(std::tuple(F->ChckBxExecutionAjustementNiveaux->isChecked(), F->ChckBxCompositer->isChecked()),
              std::tuple(true, true));
    EXPECT_FALSE(F->ChckBxExecutionConserver->isChecked() || F->ChckBxSeuilsAutoRegistration->isChecked());
    EXPECT_FALSE(F->EdtCoefRegistrationPlanetaire->isEnabled() || F->MnItmEffacerLigneBrutes->isEnabled() ||
                 F->ResultatEnregistrable());
    // At least the form's 500 x 400, and wide enough that every tab shows
    // without scroll arrows.
    EXPECT_GE(F->width(), 500);
    EXPECT_EQ(F->height(), 400);
    EXPECT_LE(F->PgCntrlPrincipale->tabBar()->sizeHint().width(), F->PgCntrlPrincipale->tabBar()->width());
    EXPECT_EQ(F->minimumSize(), QSize(500, 400));
    // "Imprimer" only on the Execution tab; changing tab clears the status line.
    F->LblMessage->setText(QStringLiteral("x"));
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtExecution);
    EXPECT_EQ(std::tuple(F->BtnImprimerExecution->isHidden(), F->LblMessage->text().isEmpty()),
              std::tuple(false, true));
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtImages);
    EXPECT_TRUE(F->BtnImprimerExecution->isHidden());

    // 200 wider and 200 higher gives 100 more to each list; an odd difference is halved toward zero.
    F->resize(700, 600);
    EXPECT_EQ(F->LstBxBrutes->size(), QSize(325, 213));
    EXPECT_EQ(F->BtnDarks->pos() - F->BtnBrutes->pos(), QPoint(325 + 15, 0));
    EXPECT_EQ(F->BtnFlats->y(), F->LstBxBrutes->y() + 213 + 8);
    EXPECT_EQ(QPoint(F->BtnEffacerFlats->x() - F->LstBxFlats->x(), F->BtBtnAide->x()), QPoint(325 - 53, 700 - 56));
    F->resize(503, 401);
    EXPECT_EQ(F->LstBxDarks->width(), 226);

    // The preferences push reaches the window's six scroll boxes.
    EcrireDefilImgTpsReel(false);
    Cadre->MajFenetresImagesSuivantPreferences();
    for (QScrollArea* s : {F->ScrllBxDark, F->ScrllBxFlat, F->ScrllBxOffset, F->ScrllBxRegistration,
                           F->ScrllBxResultatFit, F->ScrllBxResultatBmp})
        EXPECT_FALSE(s->verticalScrollBar()->hasTracking() || s->horizontalScrollBar()->hasTracking());
}

TEST_F(TFenetrePretraitement, ListesTaillesEtPurge)
{
    // Adding to empty lists sorts the names and fits the window to the first
    // file, never narrower than its tabs.
    const QTabBar* onglets = F->PgCntrlPrincipale->tabBar();
    Ajouter(F->BtnBrutes, {"brute2.fit", "brute1.fit", "brute3.fit"});
    EXPECT_EQ(Textes(F->LstBxBrutes), (QStringList{"brute1.fit", "brute2.fit", "brute3.fit"}));
    EXPECT_EQ(std::tuple(F->width() >= 536 + 24, F->height(), onglets->sizeHint().width() <= onglets->width()),
              std::tuple(true, 520 + 155, true));
    EXPECT_EQ(F->ImgRegistration->size(), QSize(536, 520));
    EXPECT_EQ(std::tuple(F->MnItmEffacerLigneBrutes->isEnabled(), F->MnItmEffacerLigneDarks->isEnabled()),
              std::tuple(true, false));

    // Later adds leave the size alone.
    F->resize(520, 410);
    Ajouter(F->BtnDarks, {"dark1.fit", "dark2.fit"});
    EXPECT_EQ(F->size(), QSize(520, 410));

    // A selection whose first file is missing is ignored; missing later ones are skipped.
    Ajouter(F->BtnOffsets, {"absent.fit", "offset1.fit"});
    EXPECT_EQ(F->LstBxOffsets->count(), 0);
    Ajouter(F->BtnOffsets, {"offset1.fit", "absent.fit", "offset2.fit"});
    EXPECT_EQ(Textes(F->LstBxOffsets), (QStringList{"offset1.fit", "offset2.fit"}));
    EXPECT_TRUE(Messages().isEmpty());

    // Sizes: among the chosen files, then against the listed ones.
    Ajouter(F->BtnFlats, {"flat1.fit", "ngc.fit"});
    Ajouter(F->BtnFlats, {"ngc.fit"});
    EXPECT_EQ(Messages(), (QStringList{"Les images choisies ont des tailles différentes.",
                                       "Les images choisies ont une taille différente de celle des images déjà "
                                       "sélectionnées."}));
    EXPECT_EQ(F->LstBxFlats->count(), 0);

    // A file that cannot be read refuses the selection with its error.
    QFile::resize(Chemin("flat2.fit"), 3000);
    Dialogues::ViderJournal();
    Ajouter(F->BtnFlats, {"flat1.fit", "flat2.fit"});
    EXPECT_EQ(std::tuple(Messages(TGenreDemande::Erreur).size(), F->LstBxFlats->count()), std::tuple(1, 0));

    // A listed file deleted on disk is purged at the next add, with one message.
    Dialogues::ViderJournal();
    ASSERT_TRUE(QFile::remove(Chemin("dark1.fit")));
    Ajouter(F->BtnFlats, {"flat1.fit", "flat3.fit"});
    EXPECT_EQ(Messages(), QStringList{"Les listes contiennent des images non trouvées, leurs références a été supprimées."});
    EXPECT_EQ(Textes(F->LstBxDarks), QStringList{"dark2.fit"});
    EXPECT_EQ(Textes(F->LstBxFlats), (QStringList{"flat1.fit", "flat3.fit"}));

    // Deleting a line selects the one now at its place; the last line empties the pool.
    F->LstBxOffsets->setCurrentRow(0);
    F->MnItmEffacerLigneOffsets->trigger();
    EXPECT_EQ(Textes(F->LstBxOffsets), QStringList{"offset2.fit"});
    EXPECT_EQ(F->LstBxOffsets->currentRow(), 0);
    F->LstBxOffsets->setFocus();
    QTest::keyClick(F->LstBxOffsets, Qt::Key_Delete);
    EXPECT_EQ(
        std::tuple(F->LstBxOffsets->count(), F->RepertoiresOffsets.isEmpty(), F->MnItmToutEffacerOffsets->isEnabled()),
        std::tuple(0, true, false));
    // Nothing selected: nothing deleted.
    F->LstBxFlats->clearSelection();
    F->MnItmEffacerLigneFlats->trigger();
    EXPECT_EQ(F->LstBxFlats->count(), 2);

    // The viewer's hand-over always fits the window, with no existence test.
    F->resize(510, 405);
    F->AjouterBrutes({Chemin("brute3.fit")});
    EXPECT_EQ(std::tuple(F->width() >= 560, F->height(), onglets->sizeHint().width() <= onglets->width(),
                         F->LstBxBrutes->count()),
              std::tuple(true, 675, true, 4));

    // Emptying every list lets the kind change; bitmaps take 8-bit sliders.
    for (QPushButton* b : {F->BtnEffacerBrutes, F->BtnEffacerDarks, F->BtnEffacerFlats})
        QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(std::tuple(F->TypeImages(), F->ImageRegistrationChargee, F->ImgRegistration->size()),
              std::tuple(0, false, QSize(0, 0)));
    EXPECT_EQ(F->OpnDlgImages.Filtre, QStringLiteral("Fichier fit (*.fit);;Fichier bitmap (*.bmp)"));
    Ajouter(F->BtnDarks, {"gris0.bmp", "gris1.bmp"});
    EXPECT_EQ(F->TypeImages(), 2);
    EXPECT_EQ(F->OpnDlgImages.Filtre, QStringLiteral("Fichier bitmap (*.bmp)"));
    QTest::mouseClick(F->BtBtnDarkProcess, Qt::LeftButton);
    const QSlider* s = F->TrckBrDarkSeuilHaut;
    EXPECT_EQ(std::make_tuple(s->maximum(), s->singleStep(), s->pageStep()), std::make_tuple(255, 1, 4));
}

TEST_F(TFenetrePretraitement, MastersFitCommeNumpy)
{
    Ajouter(F->BtnDarks, {"dark1.fit", "dark2.fit", "dark3.fit", "dark4.fit"});
    Ajouter(F->BtnFlats, {"flat1.fit", "flat2.fit", "flat3.fit"});
    Ajouter(F->BtnOffsets, {"offset1.fit", "offset2.fit", "offset3.fit", "offset4.fit", "offset5.fit"});

    // Median of four darks and five offsets, mean of three flats chosen in the combo.
    F->CmbBxFlatMedianeMoyenne->setCurrentIndex(1);
    EXPECT_EQ(Masters({"master_dark.fit", "master_flat.fit", "master_offset.fit"}),
              (QStringList{"Master Dark enregistré.", "Master Flat enregistré.", "Master Offset enregistré."}));
    ASSERT_EQ(std::tuple(F->MasterDarkCalcule, F->ImgDark->size()), std::tuple(true, QSize(536, 520)));
    // The upper middle of four is not numpy's median: the hot pixels tell them apart.
    EXPECT_EQ(Python(QStringLiteral("masters_fit"), {Dossier.path()}), QStringLiteral("0 0 0 1"));

    // The sliders set the master's levels; Auto puts the automatic ones back.
    const QImage avant = F->ImgDark->Picture;
    F->TrckBrDarkSeuilHaut->setValue(F->DarkFit.SMax + 5000);
    EXPECT_EQ(F->DarkFit.SMax, F->TrckBrDarkSeuilHaut->value());
    EXPECT_NE(F->ImgDark->Picture, avant);
    QTest::mouseClick(F->BtBtnSeuilsAutoDark, Qt::LeftButton);
    EXPECT_EQ(F->DarkFit.SMax, SeuilMaxiAutoFit(F->DarkFit));
    EXPECT_EQ(F->ImgDark->Picture, avant);

    // A listed dark that changed size since, or that was cut short: the
    // error is shown (mean and median) and the master stays as it was.
    const std::vector<double> master = F->DarkFit.Pixels;
    for (const auto& [remplacant, taille] : {std::pair{"ngc.fit", -1}, std::pair{"dark4.fit", 20000}}) {
        SCOPED_TRACE(remplacant);
        Remplacer("dark3.fit", remplacant, taille);
        Dialogues::ViderJournal();
        for (int combinaison : {1, 0}) {
            F->CmbBxDarkMedianeMoyenne->setCurrentIndex(combinaison);
            QTest::mouseClick(F->BtBtnDarkProcess, Qt::LeftButton);
        }
        EXPECT_EQ(Messages(TGenreDemande::Erreur).size(), 2);
        EXPECT_EQ(std::tuple(F->DarkFit.Pixels, F->MasterDarkCalcule), std::tuple(master, true));
    }

    // Deleting every dark hides the preview; Enregistrer and Auto then do nothing.
    F->LstBxDarks->selectAll();
    F->MnItmEffacerLigneDarks->trigger();
    EXPECT_EQ(std::tuple(F->ImgDark->size(), F->MasterDarkCalcule), std::tuple(QSize(0, 0), false));
    Dialogues::ViderJournal();
    QTest::mouseClick(F->BtBtnDarkEnregistrerSous, Qt::LeftButton);
    QTest::mouseClick(F->BtBtnSeuilsAutoDark, Qt::LeftButton);
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
}

TEST_F(TFenetrePretraitement, MastersBmpCommeNumpy)
{
    Ajouter(F->BtnDarks, {"gris0.bmp", "gris1.bmp", "gris2.bmp", "gris3.bmp"});
    Ajouter(F->BtnFlats, {"couleur0.bmp", "couleur1.bmp", "couleur2.bmp"});
    Ajouter(F->BtnOffsets, {"gris0.bmp", "gris1.bmp"});
    F->CmbBxFlatMedianeMoyenne->setCurrentIndex(1);
    F->CmbBxOffsetMedianeMoyenne->setCurrentIndex(1);
    Masters({"mdark.bmp", "mflat.bmp", "moffset.bmp"});
    // The mean of two pictures has many halves: each rounds to even.
    EXPECT_EQ(Python(QStringLiteral("masters_bmp"), {Dossier.path()}), QStringLiteral("0 0 0 1 RGB"));
}

TEST_F(TFenetrePretraitement, CadreSurUneEtoileCommeNumpy)
{
    Ajouter(F->BtnBrutes, {"brute1.fit", "brute2.fit", "brute3.fit"});
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtRegistration);
    QApplication::processEvents();
    // The star near (451, 85), framed from the lower right to the upper left.
    Glisser(QPoint(463, 97), QPoint(439, 73));
    ASSERT_TRUE(F->CadreDefini());
    EXPECT_EQ(std::tuple(F->ImgZoomRegistration->size(), Messages().isEmpty()),
              std::tuple(QSize(96, 96), true)); // far from saturation

    // numpy: the cut's maximum and the star's centroid on the zoom.
    for (const char* brute : {"brute1.fit", "brute2.fit"}) {
        SCOPED_TRACE(brute);
        const QStringList r = Python(QStringLiteral("cadre_etoile"), {Chemin(brute)}).split(QLatin1Char(' '));
        ASSERT_EQ(r.size(), 3);
        EXPECT_EQ(F->LblCoordonneesEtMaxi->text(), QStringLiteral("[439,73] [463,97] Max : ") + r[0]);
        const int px = r[1].toInt(), py = r[2].toInt();
        for (const QPoint p : {QPoint(px, py), QPoint(px - 10, py), QPoint(px + 9, py), QPoint(px, py - 10)})
            EXPECT_EQ(F->ImgZoomRegistration->Picture.pixel(p), qRgb(255, 0, 0)) << p.x() << "," << p.y();
        // The rubber band stays on the picture.
        EXPECT_EQ(std::tuple(qGray(F->ImgRegistration->Picture.pixel(439, 73)),
                             qGray(F->ImgRegistration->Picture.pixel(442, 73))),
                  std::tuple(0, 255));
        // The next raw frame, chosen with the keyboard: the frame and its zoom follow.
        QTest::keyClick(F->CmbBxBrutesRegistration, Qt::Key_Down);
    }
    QListWidget* l = F->LstBxBrutes;
    EXPECT_EQ(std::make_tuple(l->currentRow(), l->item(2)->isSelected(), F->ReglagesExecution().Reference),
              std::make_tuple(2, true, 2));
    // Ctrl+click takes its selection away: the tab, its combo and the run all fall back to the first.
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtImages);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, Qt::ControlModifier, l->visualItemRect(l->item(2)).center());
    EXPECT_EQ(std::make_tuple(l->selectedItems().size(), F->CmbBxBrutesRegistration->currentText().toStdString(),
                              F->ReglagesExecution().Reference,
                              F->RegistrationFit.Pixels == FitLu(Chemin("brute1.fit")).Pixels),
              std::make_tuple(0, std::string("brute1.fit"), 0, true));
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(2)).center());
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtRegistration);

    // A move without a drag reads the position out; the scroll box clears it.
    QTest::mouseMove(F->ImgRegistration, QPoint(100, 37));
    EXPECT_EQ(F->LblMessage->text(), QStringLiteral("[100,37]"));
    QMouseEvent dehors(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(F->ScrllBxRegistration->viewport(), &dehors);
    EXPECT_TRUE(F->LblMessage->text().isEmpty());

    // The levels: rendered again with the frame, its zoom and its mark drawn back.
    const QImage zoomAvant = F->ImgZoomRegistration->Picture;
    F->TrckBrRegistrationSeuilHaut->setValue(F->RegistrationFit.SMax + 3000);
    EXPECT_EQ(F->RegistrationFit.SMax, F->TrckBrRegistrationSeuilHaut->value());
    EXPECT_TRUE(F->ImgZoomRegistration->Picture != zoomAvant && qGray(F->ImgRegistration->Picture.pixel(439, 73)) == 0);
    // "Maintenir les seuils automatiques" applies them at once, and to every frame chosen.
    F->ChckBxSeuilsAutoRegistration->setChecked(true);
    EXPECT_EQ(std::tuple(F->RegistrationFit.SMax, F->ImgZoomRegistration->Picture),
              std::tuple(SeuilMaxiAutoFit(F->RegistrationFit), ZoomCadreFit(F->RegistrationFit, F->Cadre, true)));
    QTest::keyClick(F->CmbBxBrutesRegistration, Qt::Key_Up);
    EXPECT_EQ(std::tuple(F->RegistrationFit.SMin, F->CadreDefini()),
              std::tuple(SeuilMiniAutoFit(F->RegistrationFit), true));

    // A listed frame now of another size, then cut short: the error, and the shown one stays.
    const std::vector<double> montree = F->RegistrationFit.Pixels;
    for (const auto& [remplacant, taille] : {std::pair{"ngc.fit", -1}, std::pair{"brute1.fit", 30000}}) {
        SCOPED_TRACE(remplacant);
        Remplacer("brute3.fit", remplacant, taille);
        Dialogues::ViderJournal();
        F->LstBxBrutes->setCurrentRow(2);
        emit F->LstBxBrutes->itemClicked(F->LstBxBrutes->item(2));
        EXPECT_EQ(Messages(TGenreDemande::Erreur).size(), 1);
        EXPECT_EQ(std::tuple(F->RegistrationFit.Pixels, F->CadreDefini()), std::tuple(montree, true));
    }

    // With the slow-machine setting the zoom waits for the mouse up.
    EcrireValeurIni(QStringLiteral("General"), QStringLiteral("ConfigLente"), QStringLiteral("1"));
    F->EffacerCadre();
    Glisser(QPoint(439, 73), QPoint(463, 97), [this] {
        EXPECT_TRUE(F->PnlZoomRegistration->isHidden());
        EXPECT_EQ(F->LblCoordonneesEtMaxi->text(), QStringLiteral("[439,73] [463,97]"));
    });
    EXPECT_FALSE(F->PnlZoomRegistration->isHidden());

    // Planétaire: no frame left, and the mouse draws none; Stellaire again shows the plain picture.
    F->CmbBxRegistration->setCurrentIndex(RegistrationPlanetaire);
    EXPECT_EQ(std::tuple(F->EdtCoefRegistrationPlanetaire->isEnabled(), F->CadreDefini(),
                         F->PnlZoomRegistration->isHidden(), F->LblCoordonneesEtMaxi->text().isEmpty()),
              std::tuple(true, false, true, true));
    Glisser(QPoint(10, 10), QPoint(60, 60));
    EXPECT_FALSE(F->CadreDefini());
    F->CmbBxRegistration->setCurrentIndex(RegistrationStellaire);
    EXPECT_FALSE(F->CadreDefini() || F->EdtCoefRegistrationPlanetaire->isEnabled());
    EXPECT_EQ(F->ImgRegistration->Picture, RendreFit(F->RegistrationFit, true));
}

TEST_F(TFenetrePretraitement, CadresVidesEtBords)
{
    Ajouter(F->BtnBrutes, {"m51_0.fit", "m51_1.fit"});
    const QImage propre = F->ImgRegistration->Picture;
    // None of these covers a pixel to cut: each is cleared as a click is.
    const struct {
        const char* Nom;
        QPoint De, A;
    } vides[] = {{"clic", {40, 40}, {40, 40}}, {"horizontal", {20, 50}, {120, 50}}, {"vertical", {70, 10}, {70, 200}},
                 {"contre le bord droit", {255, 30}, {300, 90}}, {"contre le bord bas", {30, 255}, {90, 400}}};
    for (const auto& c : vides) {
        SCOPED_TRACE(c.Nom);
        Glisser(QPoint(100, 100), QPoint(140, 140)); // a frame first
        ASSERT_TRUE(F->CadreDefini());
        Dialogues::ViderJournal();
        Glisser(c.De, c.A);
        EXPECT_EQ(std::tuple(F->CadreDefini(), F->PnlZoomRegistration->isHidden(),
                             F->LblCoordonneesEtMaxi->text().isEmpty(), Dialogues::Journal().empty()),
                  std::tuple(false, true, true, true))
            << JournalDialogues();
        EXPECT_EQ(F->ImgRegistration->Picture, propre); // no line left behind
    }
    // Beyond the edges the frame is clamped to the picture.
    Glisser(QPoint(200, 180), QPoint(400, -30));
    EXPECT_TRUE(F->LblCoordonneesEtMaxi->text().startsWith(QStringLiteral("[200,0] [255,180] Max")));
    EXPECT_EQ(F->ImgZoomRegistration->size(), QSize(55 * 4, 180 * 4));
    // The right button draws nothing.
    QTest::mousePress(F->ImgRegistration, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(F->DepartX, -1);
    QTest::mouseRelease(F->ImgRegistration, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(F->CadreDefini());
}

TEST_F(TFenetrePretraitement, AvertissementDeSaturation)
{
    const struct {
        int Codage;
        double Pic;
        bool Bmp, Avertit;
    } cas[] = {{16, 65533, false, false}, {16, 65534, false, true}, {16, 65535, false, true},
               {12, 4093, false, false},  {12, 4094, false, true},  {16, 254, true, false},
               {16, 255, true, true}};
    int n = 0;
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Pic);
        EcrireValeurIni(QStringLiteral("General"), QStringLiteral("CodageImagesFits"), QString::number(c.Codage));
        const QString nom = Dossier.filePath(QStringLiteral("etoile%1.%2").arg(n++).arg(c.Bmp ? "bmp" : "fit"));
        // A star whose brightest pixel is the peak, at (30, 20) of a 60 x 40 frame.
        const auto valeur = [&](int x, int y) {
            const double d2 = (x - 30) * (x - 30) + (y - 20) * (y - 20);
            return d2 == 0 ? c.Pic : std::floor(c.Pic * 0.9 * std::exp(-d2 / 8.0)) + 10;
        };
        THistoFit im = ImageFitDe(60, 40, valeur);
        if (c.Bmp)
            EcrireBitmapBmp(BitmapDe(60, 40, 1, [&](int x, int y, int) { return int(valeur(x, y)); }), nom);
        else
            EnregistrerFit(im, nom);
        QTest::mouseClick(F->BtnEffacerBrutes, Qt::LeftButton);
        F->AjouterBrutes({nom});
        Dialogues::ViderJournal();
        Glisser(QPoint(20, 10), QPoint(41, 31));
        const QString maxi = QStringLiteral("[20,10] [41,31] Max : ") + QString::number(int64_t(c.Pic));
        EXPECT_EQ(F->LblCoordonneesEtMaxi->text(), maxi);
        const QString message = c.Bmp ? MessageSaturationBmp() : MessageSaturationFit(c.Codage == 12 ? 4094 : 65534);
        EXPECT_EQ(Messages(), c.Avertit ? QStringList{message} : QStringList());
        // Checking again after a list change shows the maximum without the warning.
        Dialogues::ViderJournal();
        F->VerifierCadre();
        EXPECT_TRUE(Messages().isEmpty());
        EXPECT_EQ(F->LblCoordonneesEtMaxi->text(), maxi);
    }
}

TEST_F(TFenetrePretraitement, ApercuPlanetaireCommeNumpy)
{
    // A bright disk on a flat sky; numpy follows the outline to its centroid.
    const QStringList c = Python(QStringLiteral("planete"), {Dossier.path()}).split(QLatin1Char(' '));
    ASSERT_EQ(c.size(), 2);
    const int cx = c[0].toInt(), cy = c[1].toInt();
    EXPECT_TRUE(std::abs(cx - 93) <= 2 && std::abs(cy - 72) <= 2) << cx << "," << cy;
    F->AjouterBrutes({Chemin("planete.fit")});
    F->CmbBxRegistration->setCurrentIndex(RegistrationPlanetaire);
    const QImage& p = F->ImgRegistration->Picture;
    // Lines leave out their end point. The disk shows white at these levels, so
    // one full white row only: the lines go through that centre.
    std::vector<int> pleines;
    int colonne = 0;
    for (int y = 0; y < p.height(); ++y) {
        bool pleine = true;
        for (int x = 0; x < p.width() - 1 && pleine; ++x)
            pleine = qGray(p.pixel(x, y)) == 255;
        if (pleine)
            pleines.push_back(y);
        colonne += y < p.height() - 1 && qGray(p.pixel(cx, y)) == 255;
    }
    EXPECT_EQ(pleines, std::vector<int>{cy});
    EXPECT_EQ(colonne, p.height() - 1);
    // The coefficient's spinner redraws with the new threshold, within 1..5.
    for (int i = 0; i < 6; ++i)
        F->UpDwnCoefRegistrationPlanetaire->stepUp();
    EXPECT_EQ(F->EdtCoefRegistrationPlanetaire->text(), QStringLiteral("5"));
    QTest::keyClicks(F->EdtCoefRegistrationPlanetaire, QStringLiteral("9"));
    EXPECT_EQ(F->EdtCoefRegistrationPlanetaire->text(), QStringLiteral("5"));
}

TEST_F(TFenetrePretraitement, EtoileSurLePlanChoisi)
{
    // A 24-bit frame (bytes blue, green, red): a red star at (30, 20), a green one at (36, 26).
    const QString nom = Chemin("plans.bmp");
    EcrireBitmapBmp(BitmapDe(80, 60, 3,
                             [](int x, int y, int c) {
                                 return c == 2 && x == 30 && y == 20 ? 250 : c == 1 && x == 36 && y == 26 ? 240 : 20;
                             }),
                    nom);
    F->AjouterBrutes({nom});
    Glisser(QPoint(20, 10), QPoint(50, 40));
    EXPECT_EQ(F->LblCoordonneesEtMaxi->text(), QStringLiteral("[20,10] [50,40] Max : 250"));
    // The brightest pixel of the plane is the whole centroid: the cross sits on it.
    const auto croix = [&](int x, int y) { return F->ImgZoomRegistration->Picture.pixel(4 * (x - 20), 4 * (y - 10)); };
    EXPECT_TRUE(croix(36, 26) == qRgb(255, 0, 0) && croix(30, 20) != qRgb(255, 0, 0));
    QTest::keyClick(F->CmbBxPlanRegistration, Qt::Key_Up); // Rouge
    EXPECT_TRUE(croix(30, 20) == qRgb(255, 0, 0) && croix(36, 26) != qRgb(255, 0, 0));
}
