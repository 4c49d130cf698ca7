// The preprocessing window driven through the frame: Outils > Prétraitement,
// the four lists filled through the open dialog, the master previews checked
// against numpy, and the registration frame drawn with the mouse.
#include "PDialogues.h"
#include "Soutien.h"
#include "SoutienSeries.h"
#include "UControleImage.h"
#include "UFit.h"
#include "UInstallationPretraitement.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPretraitement.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTabBar>
#include <gtest/gtest.h>

namespace {

// Answers the open and save dialogs with the names queued, OK and No to boxes.
struct TUtilisateur {
    QStringList AOuvrir;
    QString AEnregistrer;
    Dialogues::TRepondeur Repondeur()
    {
        return [this](const TDemandeDialogue& d) {
            TReponseDialogue r = ReponseParDefaut(d);
            if (d.Genre == TGenreDemande::OuvrirFichiers)
                r.Fichiers = AOuvrir;
            else if (d.Genre == TGenreDemande::EnregistrerFichier)
                r.Fichiers = QStringList{AEnregistrer};
            return r;
        };
    }
};

::testing::AssertionResult VerifieParFitsverify(const QString& nom)
{
    QString rapport;
    const int code = LancerProgramme(QStringLiteral("/usr/bin/fitsverify"), {nom}, &rapport);
    if (code >= 0 && rapport.contains(QStringLiteral(" and 0 error(s).")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << rapport.toStdString();
}

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
        Series = new QTemporaryDir;
        EcrireSeriesEssai(Series->path());
    }
    static void TearDownTestSuite()
    {
        delete Series;
        Series = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(Dossier.isValid());
        // A copy of the series that the test may change.
        for (const QString& n : QDir(Series->path()).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(Series->filePath(n), Dossier.filePath(n)));
        Repondeur = std::make_unique<TRepondeurTest>(Utilisateur.Repondeur());
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
        Repondeur.reset();
        FermerPreferences();
    }

    QString Chemin(const QString& n) const { return Dossier.filePath(n); }
    QStringList Chemins(std::initializer_list<const char*> noms) const
    {
        QStringList l;
        for (const char* n : noms)
            l.append(Chemin(QString::fromLatin1(n)));
        return l;
    }
    void Ajouter(QPushButton* bouton, const QStringList& fichiers)
    {
        Utilisateur.AOuvrir = fichiers;
        QTest::mouseClick(bouton, Qt::LeftButton);
    }

    // A drag with the real mouse events on the registration picture.
    void Glisser(QPoint de, QPoint a)
    {
        QWidget* image = F->ImgRegistration;
        QTest::mousePress(image, Qt::LeftButton, {}, de);
        QMouseEvent deplacement(QEvent::MouseMove, a, image->mapToGlobal(a), Qt::NoButton, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(image, &deplacement);
        QTest::mouseRelease(image, Qt::LeftButton, {}, a);
    }

    static QTemporaryDir* Series;
    QTemporaryDir Dossier;
    TUtilisateur Utilisateur;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
    TPretraitement* F = nullptr;
};

QTemporaryDir* TFenetrePretraitement::Series = nullptr;

} // namespace

TEST_F(TFenetrePretraitement, CreationEtValeursParDefaut)
{
    EXPECT_EQ(F->windowTitle(), QStringLiteral("#1 Prétraitement d'images"));
    EXPECT_EQ(F->Tag(), GenrePretraitement);
    QStringList onglets;
    for (int i = 0; i < F->PgCntrlPrincipale->count(); ++i)
        onglets.append(F->PgCntrlPrincipale->tabText(i));
    EXPECT_EQ(onglets, (QStringList{"Images", "Master Dark", "Master Flat", "Master Offset", "Alignement", "Execution",
                                    "Résultat"}));
    EXPECT_EQ(F->PgCntrlPrincipale->currentWidget(), F->TbShtImages);
    // At least the form's 500 x 400, and wide enough that every tab shows
    // without scroll arrows.
    EXPECT_GE(F->width(), 500);
    EXPECT_EQ(F->height(), 400);
    EXPECT_LE(F->PgCntrlPrincipale->tabBar()->sizeHint().width(), F->PgCntrlPrincipale->tabBar()->width());
    EXPECT_EQ(F->minimumSize(), QSize(500, 400));
    EXPECT_EQ(F->CmbBxDarkMedianeMoyenne->currentText(), QStringLiteral("Médiane"));
    EXPECT_EQ(F->CmbBxRegistration->currentText(), QStringLiteral("Stellaire"));
    EXPECT_EQ(F->CmbBxPlanRegistration->currentText(), QStringLiteral("Vert"));
    EXPECT_EQ(F->CmbBxExecutionMoyenneAddition->currentText(), QStringLiteral("Moyenne"));
    EXPECT_TRUE(F->ChckBxExecutionAjustementNiveaux->isChecked());
    EXPECT_FALSE(F->ChckBxExecutionConserver->isChecked());
    EXPECT_TRUE(F->ChckBxCompositer->isChecked());
    EXPECT_FALSE(F->ChckBxSeuilsAutoRegistration->isChecked());
    EXPECT_EQ(F->EdtCoefRegistrationPlanetaire->text(), QStringLiteral("1"));
    EXPECT_FALSE(F->EdtCoefRegistrationPlanetaire->isEnabled());
    EXPECT_FALSE(F->UpDwnCoefRegistrationPlanetaire->isEnabled());
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->value(), 65535);
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->toolTip(), QStringLiteral("Seuil haut : 65535"));
    EXPECT_EQ(F->TrckBrRegistrationSeuilBas->toolTip(), QStringLiteral("Seuil bas : 0"));
    EXPECT_EQ(F->BtnBrutes->toolTip(), QStringLiteral("Choisir les images brutes"));
    EXPECT_EQ(F->ImgRegistration->toolTip(), QStringLiteral("Tracez un cadre autour d'une étoile référence"));
    EXPECT_FALSE(F->MnItmEffacerLigneBrutes->isEnabled());
    EXPECT_FALSE(F->MnItmToutEffacerOffsets->isEnabled());
    EXPECT_EQ(F->OpnDlgImages.Filtre, QStringLiteral("Fichier fit (*.fit);;Fichier bitmap (*.bmp)"));
    EXPECT_TRUE(F->PnlZoomRegistration->isHidden());
    EXPECT_FALSE(F->ResultatEnregistrable());
    EXPECT_TRUE(Cadre->MnItmFermer->isEnabled());
    // "Imprimer" only on the Execution tab; changing tab clears the status line.
    EXPECT_TRUE(F->BtnImprimerExecution->isHidden());
    F->LblMessage->setText(QStringLiteral("x"));
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtExecution);
    EXPECT_FALSE(F->BtnImprimerExecution->isHidden());
    EXPECT_TRUE(F->LblMessage->text().isEmpty());
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtImages);
    EXPECT_TRUE(F->BtnImprimerExecution->isHidden());

    // Layout: 200 wider and 200 higher gives 100 more to each list.
    F->resize(700, 600);
    EXPECT_EQ(F->LstBxBrutes->width(), 325);
    EXPECT_EQ(F->LstBxBrutes->height(), 213);
    EXPECT_EQ(F->BtnDarks->x(), F->BtnBrutes->x() + 325 + 15);
    EXPECT_EQ(F->BtnFlats->y(), F->LstBxBrutes->y() + 213 + 8);
    EXPECT_EQ(F->LstBxOffsets->y(), F->BtnOffsets->y() + F->BtnOffsets->height() + 3);
    EXPECT_EQ(F->BtnEffacerFlats->x(), F->LstBxFlats->x() + 325 - 53);
    EXPECT_EQ(F->BtnEffacerFlats->y() + F->BtnEffacerFlats->height() + 1, F->LstBxFlats->y() + 213);
    EXPECT_EQ(F->BtBtnAide->x(), 700 - 56);
    EXPECT_EQ(F->BtnImprimerExecution->x(), 700 - 132);
    // An odd difference is halved toward zero.
    F->resize(503, 401);
    EXPECT_EQ(F->LstBxDarks->width(), 226);

    // Fermer closes it.
    Cadre->MnItmFermer->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(Cadre->FenetresDocument().isEmpty());
    F = nullptr;
}

TEST_F(TFenetrePretraitement, ListesTaillesEtPurge)
{
    // Adding to empty lists fits the window to the first file.
    Ajouter(F->BtnBrutes, Chemins({"brute2.fit", "brute1.fit", "brute3.fit"}));
    EXPECT_EQ(Textes(F->LstBxBrutes), (QStringList{"brute1.fit", "brute2.fit", "brute3.fit"}));
    EXPECT_EQ(F->LstBxBrutes->item(0)->data(Qt::UserRole).toString(), Dossier.path() + QLatin1Char('/'));
    EXPECT_EQ(F->RepertoiresBrutes.size(), 3);
    EXPECT_EQ(F->size(), QSize(536 + 24, 520 + 155));
    EXPECT_EQ(F->CmbBxBrutesRegistration->count(), 3);
    EXPECT_EQ(F->CmbBxBrutesRegistration->currentIndex(), 0);
    EXPECT_TRUE(F->ImageRegistrationChargee);
    EXPECT_EQ(F->ImgRegistration->size(), QSize(536, 520));
    EXPECT_EQ(F->OpnDlgImages.Filtre, QStringLiteral("Fichier fit (*.fit)"));
    EXPECT_TRUE(F->MnItmEffacerLigneBrutes->isEnabled());
    EXPECT_FALSE(F->MnItmEffacerLigneDarks->isEnabled());
    EXPECT_EQ(F->TypeImages(), 1);
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->maximum(), 65535);
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->pageStep(), 1000);

    // Later adds leave the size alone.
    F->resize(520, 410);
    Ajouter(F->BtnDarks, Chemins({"dark1.fit", "dark2.fit"}));
    EXPECT_EQ(F->size(), QSize(520, 410));
    EXPECT_EQ(Textes(F->LstBxDarks), (QStringList{"dark1.fit", "dark2.fit"}));

    // A selection whose first file is missing is ignored; missing later ones are skipped.
    Ajouter(F->BtnOffsets, Chemins({"absent.fit", "offset1.fit"}));
    EXPECT_EQ(F->LstBxOffsets->count(), 0);
    Ajouter(F->BtnOffsets, Chemins({"offset1.fit", "absent.fit", "offset2.fit"}));
    EXPECT_EQ(Textes(F->LstBxOffsets), (QStringList{"offset1.fit", "offset2.fit"}));
    EXPECT_TRUE(Messages().isEmpty());

    // Sizes: among the chosen files, then against the listed ones.
    Ajouter(F->BtnFlats, Chemins({"flat1.fit", "ngc.fit"}));
    Ajouter(F->BtnFlats, Chemins({"ngc.fit"}));
    EXPECT_EQ(Messages(), (QStringList{"Les images choisies ont des tailles différentes.",
                                       "Les images choisies ont une taille différente de celle des images déjà "
                                       "sélectionnées."}));
    EXPECT_EQ(F->LstBxFlats->count(), 0);
    EXPECT_TRUE(F->LblMessage->text().isEmpty());

    // A file that cannot be read refuses the selection with its error.
    QFile::resize(Chemin(QStringLiteral("flat2.fit")), 3000);
    Dialogues::ViderJournal();
    Ajouter(F->BtnFlats, Chemins({"flat1.fit", "flat2.fit"}));
    EXPECT_EQ(Messages(TGenreDemande::Erreur).size(), 1);
    EXPECT_EQ(F->LstBxFlats->count(), 0);

    // A listed file deleted on disk is purged at the next add, with one message.
    Dialogues::ViderJournal();
    ASSERT_TRUE(QFile::remove(Chemin(QStringLiteral("dark1.fit"))));
    Ajouter(F->BtnFlats, Chemins({"flat1.fit", "flat3.fit"}));
    EXPECT_EQ(Messages(), QStringList{"Les listes contiennent des images non trouvées, leurs références a été supprimées."});
    EXPECT_EQ(Textes(F->LstBxDarks), QStringList{"dark2.fit"});
    EXPECT_EQ(Textes(F->LstBxFlats), (QStringList{"flat1.fit", "flat3.fit"}));

    // Deleting a line selects the one now at its place; the last line empties the pool.
    F->LstBxOffsets->setCurrentRow(0);
    F->MnItmEffacerLigneOffsets->trigger();
    EXPECT_EQ(Textes(F->LstBxOffsets), QStringList{"offset2.fit"});
    EXPECT_EQ(F->LstBxOffsets->currentRow(), 0);
    EXPECT_EQ(F->RepertoiresOffsets.size(), 2);
    F->LstBxOffsets->setFocus();
    QTest::keyClick(F->LstBxOffsets, Qt::Key_Delete);
    EXPECT_EQ(F->LstBxOffsets->count(), 0);
    EXPECT_TRUE(F->RepertoiresOffsets.isEmpty());
    EXPECT_FALSE(F->MnItmToutEffacerOffsets->isEnabled());
    // Nothing selected: nothing deleted.
    F->LstBxFlats->clearSelection();
    F->MnItmEffacerLigneFlats->trigger();
    EXPECT_EQ(F->LstBxFlats->count(), 2);

    // The viewer's hand-over always fits the window, with no existence test.
    F->resize(510, 405);
    F->AjouterBrutes(Chemins({"brute3.fit"}));
    EXPECT_EQ(F->size(), QSize(560, 675));
    EXPECT_EQ(F->LstBxBrutes->count(), 4);

    // Emptying every list lets the kind change.
    for (QPushButton* b : {F->BtnEffacerBrutes, F->BtnEffacerDarks, F->BtnEffacerFlats})
        QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(F->TypeImages(), 0);
    EXPECT_FALSE(F->ImageRegistrationChargee);
    EXPECT_EQ(F->ImgRegistration->size(), QSize(0, 0));
    EXPECT_EQ(F->OpnDlgImages.Filtre, QStringLiteral("Fichier fit (*.fit);;Fichier bitmap (*.bmp)"));
    Ajouter(F->BtnDarks, Chemins({"gris0.bmp", "gris1.bmp"}));
    EXPECT_EQ(F->TypeImages(), 2);
    EXPECT_EQ(F->OpnDlgImages.Filtre, QStringLiteral("Fichier bitmap (*.bmp)"));
    QTest::mouseClick(F->BtBtnDarkProcess, Qt::LeftButton);
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->maximum(), 255);
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->singleStep(), 1);
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->pageStep(), 4);
}

TEST_F(TFenetrePretraitement, MastersFitCommeNumpy)
{
    Ajouter(F->BtnDarks, Chemins({"dark1.fit", "dark2.fit", "dark3.fit", "dark4.fit"}));
    Ajouter(F->BtnFlats, Chemins({"flat1.fit", "flat2.fit", "flat3.fit"}));
    Ajouter(F->BtnOffsets, Chemins({"offset1.fit", "offset2.fit", "offset3.fit", "offset4.fit", "offset5.fit"}));

    // Enregistrer and Auto do nothing before the master is computed.
    Dialogues::ViderJournal();
    QTest::mouseClick(F->BtBtnDarkEnregistrerSous, Qt::LeftButton);
    QTest::mouseClick(F->BtBtnSeuilsAutoDark, Qt::LeftButton);
    EXPECT_TRUE(Dialogues::Journal().empty());

    // Median of four darks: the upper middle value.
    QTest::mouseClick(F->BtBtnDarkProcess, Qt::LeftButton);
    ASSERT_TRUE(F->MasterDarkCalcule);
    EXPECT_TRUE(F->LblMessage->text().isEmpty());
    EXPECT_EQ(F->ImgDark->size(), QSize(536, 520));
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->value(), F->DarkFit.SMax);
    EXPECT_EQ(F->TrckBrDarkSeuilBas->value(), F->DarkFit.SMin);
    Utilisateur.AEnregistrer = Chemin(QStringLiteral("master_dark.fit"));
    QTest::mouseClick(F->BtBtnDarkEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(F->LblMessage->text(), QStringLiteral("Master Dark enregistré."));

    // Mean of three flats, chosen in the combo.
    F->CmbBxFlatMedianeMoyenne->setCurrentIndex(1);
    QTest::mouseClick(F->BtBtnFlatProcess, Qt::LeftButton);
    Utilisateur.AEnregistrer = Chemin(QStringLiteral("master_flat.fit"));
    QTest::mouseClick(F->BtBtnFlatEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(F->LblMessage->text(), QStringLiteral("Master Flat enregistré."));
    QTest::mouseClick(F->BtBtnOffsetProcess, Qt::LeftButton);
    Utilisateur.AEnregistrer = Chemin(QStringLiteral("master_offset.fit"));
    QTest::mouseClick(F->BtBtnOffsetEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(F->LblMessage->text(), QStringLiteral("Master Offset enregistré."));

    const QString verdict = Python(QStringLiteral(R"(
o = sys.argv[1]
ok = []
def compare(nom, attendu):
    lu = lire(o + '/' + nom)
    ok.append(f'{nom}:{int(np.abs(lu - np.clip(np.rint(attendu), 0, 65535)).max())}')
d = pile([f'{o}/dark{i}.fit' for i in range(1, 5)])
compare('master_dark.fit', np.sort(d, 0)[len(d) // 2])
compare('master_flat.fit', pile([f'{o}/flat{i}.fit' for i in range(1, 4)]).mean(0))
f = pile([f'{o}/offset{i}.fit' for i in range(1, 6)])
compare('master_offset.fit', np.sort(f, 0)[2])
# The upper middle is not the median numpy gives: the hot pixels tell them apart.
ok.append('difference:' + str(int((np.sort(d, 0)[2] != np.median(d, 0)).sum() > 0)))
print(' '.join(ok))
)"),
                                   {Dossier.path()});
    EXPECT_EQ(verdict, QStringLiteral("master_dark.fit:0 master_flat.fit:0 master_offset.fit:0 difference:1"));
    for (const char* n : {"master_dark.fit", "master_flat.fit", "master_offset.fit"})
        EXPECT_TRUE(VerifieParFitsverify(Chemin(QString::fromLatin1(n))));

    // The sliders set the master's levels; Auto puts the automatic ones back.
    const QImage avant = F->ImgDark->Picture;
    F->TrckBrDarkSeuilHaut->setValue(F->DarkFit.SMax + 5000);
    EXPECT_EQ(F->DarkFit.SMax, F->TrckBrDarkSeuilHaut->value());
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->toolTip(), QStringLiteral("Seuil haut : ") + QString::number(F->DarkFit.SMax));
    EXPECT_NE(F->ImgDark->Picture, avant);
    QTest::mouseClick(F->BtBtnSeuilsAutoDark, Qt::LeftButton);
    EXPECT_EQ(F->DarkFit.SMax, SeuilMaxiAutoFit(F->DarkFit));
    EXPECT_EQ(F->TrckBrDarkSeuilHaut->value(), F->DarkFit.SMax);
    EXPECT_EQ(F->ImgDark->Picture, avant);

    // A listed dark that changed size since, or that was cut short: the
    // error is shown and the master stays as it was.
    const std::vector<double> master = F->DarkFit.Pixels;
    for (const char* faute : {"taille", "tronque"}) {
        SCOPED_TRACE(faute);
        const QString d3 = Chemin(QStringLiteral("dark3.fit"));
        QFile::remove(d3);
        if (QString::fromLatin1(faute) == QLatin1String("taille"))
            QFile::copy(Chemin(QStringLiteral("ngc.fit")), d3);
        else {
            QFile::copy(Chemin(QStringLiteral("dark4.fit")), d3);
            QFile::resize(d3, 20000);
        }
        Dialogues::ViderJournal();
        F->CmbBxDarkMedianeMoyenne->setCurrentIndex(1);
        QTest::mouseClick(F->BtBtnDarkProcess, Qt::LeftButton);
        F->CmbBxDarkMedianeMoyenne->setCurrentIndex(0);
        QTest::mouseClick(F->BtBtnDarkProcess, Qt::LeftButton);
        EXPECT_EQ(Messages(TGenreDemande::Erreur).size(), 2);
        EXPECT_EQ(F->DarkFit.Pixels, master);
        EXPECT_TRUE(F->MasterDarkCalcule);
        EXPECT_TRUE(F->LblMessage->text().isEmpty());
    }

    // Deleting every dark hides the preview; Enregistrer and Auto then do nothing.
    F->LstBxDarks->selectAll();
    F->MnItmEffacerLigneDarks->trigger();
    EXPECT_EQ(F->ImgDark->size(), QSize(0, 0));
    EXPECT_FALSE(F->MasterDarkCalcule);
    Dialogues::ViderJournal();
    QTest::mouseClick(F->BtBtnDarkEnregistrerSous, Qt::LeftButton);
    QTest::mouseClick(F->BtBtnSeuilsAutoDark, Qt::LeftButton);
    EXPECT_TRUE(Dialogues::Journal().empty());
}

TEST_F(TFenetrePretraitement, MastersBmpCommeNumpy)
{
    Ajouter(F->BtnDarks, Chemins({"gris0.bmp", "gris1.bmp", "gris2.bmp", "gris3.bmp"}));
    Ajouter(F->BtnFlats, Chemins({"couleur0.bmp", "couleur1.bmp", "couleur2.bmp"}));
    Ajouter(F->BtnOffsets, Chemins({"gris0.bmp", "gris1.bmp"}));
    QTest::mouseClick(F->BtBtnDarkProcess, Qt::LeftButton);
    F->CmbBxFlatMedianeMoyenne->setCurrentIndex(1);
    QTest::mouseClick(F->BtBtnFlatProcess, Qt::LeftButton);
    F->CmbBxOffsetMedianeMoyenne->setCurrentIndex(1);
    QTest::mouseClick(F->BtBtnOffsetProcess, Qt::LeftButton);
    ASSERT_TRUE(F->MasterDarkCalcule && F->MasterFlatCalcule && F->MasterOffsetCalcule);
    EXPECT_EQ(F->TrckBrFlatSeuilHaut->value(), 255);
    const char* noms[] = {"mdark.bmp", "mflat.bmp", "moffset.bmp"};
    QToolButton* boutons[] = {F->BtBtnDarkEnregistrerSous, F->BtBtnFlatEnregistrerSous, F->BtBtnOffsetEnregistrerSous};
    for (int i = 0; i < 3; ++i) {
        Utilisateur.AEnregistrer = Chemin(QString::fromLatin1(noms[i]));
        QTest::mouseClick(boutons[i], Qt::LeftButton);
    }
    const QString verdict = Python(QStringLiteral(R"(
o = sys.argv[1]
def ecart(nom, attendu): return f'{nom}:{int(np.abs(bmp(o + "/" + nom) - attendu).max())}'
g = np.array([bmp(f'{o}/gris{i}.bmp') for i in range(4)])
c = np.array([bmp(f'{o}/couleur{i}.bmp') for i in range(3)])
moy = (g[0] + g[1]) / 2
print(ecart('mdark.bmp', np.sort(g, 0)[2]), ecart('mflat.bmp', np.rint(c.mean(0))), ecart('moffset.bmp', np.rint(moy)),
      'moities:' + str(int((moy % 1 == 0.5).sum() > 1000)), Image.open(o + '/mflat.bmp').mode)
)"),
                                   {Dossier.path()});
    // The mean of two pictures has many halves: each rounds to even.
    EXPECT_EQ(verdict, QStringLiteral("mdark.bmp:0 mflat.bmp:0 moffset.bmp:0 moities:1 RGB"));
}

TEST_F(TFenetrePretraitement, CadreSurUneEtoileCommeNumpy)
{
    Ajouter(F->BtnBrutes, Chemins({"brute1.fit", "brute2.fit", "brute3.fit"}));
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtRegistration);
    QApplication::processEvents();
    // The star near (451, 85), framed from the lower right to the upper left.
    Glisser(QPoint(463, 97), QPoint(439, 73));
    ASSERT_TRUE(F->CadreDefini());
    EXPECT_FALSE(F->PnlZoomRegistration->isHidden());
    EXPECT_EQ(F->ImgZoomRegistration->size(), QSize(96, 96));
    EXPECT_EQ(F->PnlZoomRegistration->size(), QSize(98, 98));
    EXPECT_TRUE(Messages().isEmpty()); // far from saturation

    // numpy: the cut's maximum, and the centroid of the brightest star by the
    // rule of the window around the brightest pixel, scaled onto the zoom.
    const QString script = QStringLiteral(R"(
a = lire(sys.argv[1])[73:97, 439:463]
x0 = y0 = 0; m = 0.0
for x in range(a.shape[1]):
    for y in range(a.shape[0]):
        if a[y, x] > m: m, x0, y0 = a[y, x], x, y
g, t = max(x0 - 2, 0), max(y0 - 2, 0)
f = a[t:y0 + 2, g:x0 + 2]
yy, xx = np.mgrid[0:f.shape[0], 0:f.shape[1]]
k = f >= f.mean()
X = (xx[k] * f[k]).sum() / f[k].sum() + g; Y = (yy[k] * f[k]).sum() / f[k].sum() + t
z = lambda v: int(v) * 4 + int((v - int(v)) * 5)
print(int(np.rint(a.max())), z(X), z(Y))
)");
    for (const char* brute : {"brute1.fit", "brute2.fit"}) {
        SCOPED_TRACE(brute);
        const QStringList r = Python(script, {Chemin(QString::fromLatin1(brute))}).split(QLatin1Char(' '));
        ASSERT_EQ(r.size(), 3);
        EXPECT_EQ(F->LblCoordonneesEtMaxi->text(), QStringLiteral("[439,73] [463,97] Max : ") + r[0]);
        const int px = r[1].toInt(), py = r[2].toInt();
        const QImage& zoom = F->ImgZoomRegistration->Picture;
        for (const QPoint p : {QPoint(px, py), QPoint(px - 10, py), QPoint(px + 9, py), QPoint(px, py - 10)})
            EXPECT_EQ(zoom.pixel(p), qRgb(255, 0, 0)) << p.x() << "," << p.y();
        // The rubber band stays on the picture.
        EXPECT_EQ(qGray(F->ImgRegistration->Picture.pixel(439, 73)), 0);
        EXPECT_EQ(qGray(F->ImgRegistration->Picture.pixel(442, 73)), 255);
        // Another raw frame, chosen in the combo: the frame and its zoom follow.
        F->CmbBxBrutesRegistration->setCurrentIndex(1);
        emit F->CmbBxBrutesRegistration->activated(1);
    }
    EXPECT_EQ(F->LstBxBrutes->currentRow(), 1);
    EXPECT_TRUE(F->LstBxBrutes->item(1)->isSelected());

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
    EXPECT_EQ(F->TrckBrRegistrationSeuilHaut->toolTip(),
              QStringLiteral("Seuil haut : ") + QString::number(F->RegistrationFit.SMax));
    EXPECT_NE(F->ImgZoomRegistration->Picture, zoomAvant);
    EXPECT_EQ(qGray(F->ImgRegistration->Picture.pixel(439, 73)), 0);
    // "Maintenir les seuils automatiques" applies them at once, and to every frame chosen.
    F->ChckBxSeuilsAutoRegistration->setChecked(true);
    EXPECT_EQ(F->RegistrationFit.SMax, SeuilMaxiAutoFit(F->RegistrationFit));
    EXPECT_EQ(F->TrckBrRegistrationSeuilHaut->value(), F->RegistrationFit.SMax);
    EXPECT_EQ(F->ImgZoomRegistration->Picture, ZoomCadreFit(F->RegistrationFit, F->Cadre, true));
    F->CmbBxBrutesRegistration->setCurrentIndex(2);
    emit F->CmbBxBrutesRegistration->activated(2);
    EXPECT_EQ(F->RegistrationFit.SMin, SeuilMiniAutoFit(F->RegistrationFit));
    EXPECT_TRUE(F->CadreDefini());

    // With the slow-machine setting the zoom waits for the mouse up.
    EcrireValeurIni(QStringLiteral("General"), QStringLiteral("ConfigLente"), QStringLiteral("1"));
    F->EffacerCadre();
    QTest::mousePress(F->ImgRegistration, Qt::LeftButton, {}, QPoint(439, 73));
    QMouseEvent lent(QEvent::MouseMove, QPointF(463, 97), F->ImgRegistration->mapToGlobal(QPointF(463, 97)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(F->ImgRegistration, &lent);
    EXPECT_TRUE(F->PnlZoomRegistration->isHidden());
    EXPECT_EQ(F->LblCoordonneesEtMaxi->text(), QStringLiteral("[439,73] [463,97]"));
    QTest::mouseRelease(F->ImgRegistration, Qt::LeftButton, {}, QPoint(463, 97));
    EXPECT_FALSE(F->PnlZoomRegistration->isHidden());
    EcrireValeurIni(QStringLiteral("General"), QStringLiteral("ConfigLente"), QStringLiteral("0"));

    // Planétaire and back: no frame left.
    F->CmbBxRegistration->setCurrentIndex(RegistrationPlanetaire);
    EXPECT_TRUE(F->EdtCoefRegistrationPlanetaire->isEnabled());
    EXPECT_FALSE(F->CadreDefini());
    EXPECT_TRUE(F->PnlZoomRegistration->isHidden());
    EXPECT_TRUE(F->LblCoordonneesEtMaxi->text().isEmpty());
    EXPECT_TRUE(F->ImgRegistration->toolTip().isEmpty());
    // The mouse draws nothing then.
    Glisser(QPoint(10, 10), QPoint(60, 60));
    EXPECT_FALSE(F->CadreDefini());
    F->CmbBxRegistration->setCurrentIndex(RegistrationStellaire);
    EXPECT_FALSE(F->EdtCoefRegistrationPlanetaire->isEnabled());
    EXPECT_FALSE(F->CadreDefini());
    EXPECT_EQ(F->ImgRegistration->Picture, RendreFit(F->RegistrationFit, true));
}

TEST_F(TFenetrePretraitement, CadresVidesEtBords)
{
    Ajouter(F->BtnBrutes, Chemins({"m51_0.fit", "m51_1.fit"}));
    const QImage propre = F->ImgRegistration->Picture;
    struct Cas {
        const char* Nom;
        QPoint De, A;
    };
    // None of these covers a pixel to cut: each is cleared as a click is.
    const Cas vides[] = {{"clic", {40, 40}, {40, 40}},
                         {"horizontal", {20, 50}, {120, 50}},
                         {"vertical", {70, 10}, {70, 200}},
                         {"contre le bord droit", {255, 30}, {300, 90}},
                         {"contre le bord bas", {30, 255}, {90, 400}}};
    for (const Cas& c : vides) {
        SCOPED_TRACE(c.Nom);
        Glisser(QPoint(100, 100), QPoint(140, 140)); // a frame first
        ASSERT_TRUE(F->CadreDefini());
        Dialogues::ViderJournal();
        Glisser(c.De, c.A);
        EXPECT_FALSE(F->CadreDefini());
        EXPECT_TRUE(F->PnlZoomRegistration->isHidden());
        EXPECT_TRUE(F->LblCoordonneesEtMaxi->text().isEmpty());
        EXPECT_TRUE(Dialogues::Journal().empty());
        EXPECT_EQ(F->ImgRegistration->Picture, propre); // no line left behind
        EXPECT_EQ(F->DepartX, -1);
    }
    // Beyond the edges the frame is clamped to the picture.
    Glisser(QPoint(200, 180), QPoint(400, -30));
    EXPECT_EQ(F->LblCoordonneesEtMaxi->text().section(QStringLiteral(" Max"), 0, 0),
              QStringLiteral("[200,0] [255,180]"));
    EXPECT_EQ(F->ImgZoomRegistration->size(), QSize(55 * 4, 180 * 4));
    // The right button draws nothing.
    QTest::mousePress(F->ImgRegistration, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(F->DepartX, -1);
    QTest::mouseRelease(F->ImgRegistration, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(F->CadreDefini());
}

TEST_F(TFenetrePretraitement, AvertissementDeSaturation)
{
    struct Cas {
        const char* Nom;
        int Codage;
        double Pic;
        bool Bmp;
        bool Avertit;
    };
    const Cas cas[] = {{"16 bits, 65533", 16, 65533, false, false}, {"16 bits, 65534", 16, 65534, false, true},
                       {"16 bits, 65535", 16, 65535, false, true},  {"12 bits, 4093", 12, 4093, false, false},
                       {"12 bits, 4094", 12, 4094, false, true},    {"bmp 254", 16, 254, true, false},
                       {"bmp 255", 16, 255, true, true}};
    int n = 0;
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.Nom);
        EcrireValeurIni(QStringLiteral("General"), QStringLiteral("CodageImagesFits"), QString::number(c.Codage));
        const QString nom = Chemin(QStringLiteral("etoile%1.%2").arg(n++).arg(c.Bmp ? "bmp" : "fit"));
        // A star whose brightest pixel is the peak, at (30, 20) of a 60 x 40 frame.
        const auto valeur = [&](int x, int y) {
            const double d2 = (x - 30) * (x - 30) + (y - 20) * (y - 20);
            return d2 == 0 ? c.Pic : std::floor(c.Pic * 0.9 * std::exp(-d2 / 8.0)) + 10;
        };
        if (c.Bmp)
            EcrireBitmapBmp(BitmapDe(60, 40, 1, [&](int x, int y, int) { return int(valeur(x, y)); }), nom);
        else {
            THistoFit im = ImageFitDe(60, 40, valeur);
            EnregistrerFit(im, nom);
        }
        QTest::mouseClick(F->BtnEffacerBrutes, Qt::LeftButton);
        F->AjouterBrutes({nom});
        Dialogues::ViderJournal();
        Glisser(QPoint(20, 10), QPoint(41, 31));
        ASSERT_TRUE(F->CadreDefini());
        EXPECT_EQ(F->LblCoordonneesEtMaxi->text(),
                  QStringLiteral("[20,10] [41,31] Max : ") + QString::number(int64_t(c.Pic)));
        const QString message = c.Bmp ? MessageSaturationBmp() : MessageSaturationFit(c.Codage == 12 ? 4094 : 65534);
        EXPECT_EQ(Messages(), c.Avertit ? QStringList{message} : QStringList());
        // Checking again after a list change shows the maximum without the warning.
        Dialogues::ViderJournal();
        F->VerifierCadre();
        EXPECT_TRUE(Messages().isEmpty());
        EXPECT_TRUE(F->LblCoordonneesEtMaxi->text().endsWith(QStringLiteral(" Max : ") + QString::number(int64_t(c.Pic))));
    }
}

TEST_F(TFenetrePretraitement, ApercuPlanetaireCommeNumpy)
{
    // A bright disk on a flat sky; numpy follows the outline rule to its centre.
    const QString centre = Python(QStringLiteral(R"(
o = sys.argv[1]
h, w = 150, 200
yy, xx = np.mgrid[0:h, 0:w]
a = np.where((xx - 93.3) ** 2 + (yy - 71.8) ** 2 <= 40 ** 2, 3000.0, 100.0)
ecrire(o + '/planete.fit', a)
T = a.std() + 100
pts = []
s = w // 99; x = 0
for k in range(1, 101):
    if k == 100: x = w - 1
    c = np.nonzero(a[:, x] >= T)[0]
    if len(c): pts += [(x, c[0]), (x, c[-1])]
    x += s
s = h // 99; y = 0
for k in range(1, 101):
    if k == 100: y = h - 1
    r = np.nonzero(a[y, :] >= T)[0]
    if len(r): pts += [(r[0], y), (r[-1], y)]
    y += s
libres = pts[1:]; chaine = [pts[0]]
while libres:
    p = chaine[-1]
    i = min(range(len(libres)), key=lambda j: (abs(libres[j][0] - p[0]) + abs(libres[j][1] - p[1]), j))
    chaine.append(libres.pop(i))
A = Mx = My = 0.0
for i in range(len(chaine)):
    (x1, y1), (x2, y2) = chaine[i], chaine[(i + 1) % len(chaine)]
    if x1 == x2: continue
    a_ = (y2 - y1) / (x2 - x1); b = (x1 * y2 - x2 * y1) / (x1 - x2)
    d1, d2, d3 = x2 - x1, x2 ** 2 - x1 ** 2, x2 ** 3 - x1 ** 3
    A += a_ * d2 / 2 + b * d1; Mx += a_ * a_ * d3 / 6 + a_ * b * d2 / 2 + b * b * d1 / 2; My += a_ * d3 / 3 + b * d2 / 2
print(int(np.rint(My / A)), int(np.rint(Mx / A)))
)"),
                                  {Dossier.path()});
    const QStringList c = centre.split(QLatin1Char(' '));
    ASSERT_EQ(c.size(), 2);
    const int cx = c[0].toInt(), cy = c[1].toInt();
    EXPECT_NEAR(cx, 93, 2);
    EXPECT_NEAR(cy, 72, 2);
    F->AjouterBrutes({Chemin(QStringLiteral("planete.fit"))});
    F->CmbBxRegistration->setCurrentIndex(RegistrationPlanetaire);
    const QImage& p = F->ImgRegistration->Picture;
    // Lines leave out their end point, as every line of the program does.
    bool ligne = true, colonne = true;
    for (int x = 0; x < p.width() - 1; ++x)
        ligne &= qGray(p.pixel(x, cy)) == 255;
    for (int y = 0; y < p.height() - 1; ++y)
        colonne &= qGray(p.pixel(cx, y)) == 255;
    EXPECT_TRUE(ligne);
    EXPECT_TRUE(colonne);
    // The disk shows white at these levels; nowhere else a full white row: the lines go through that centre only.
    int rangees = 0;
    for (int y = 0; y < p.height(); ++y) {
        bool pleine = true;
        for (int x = 0; x < p.width() - 1 && pleine; ++x)
            pleine = qGray(p.pixel(x, y)) == 255;
        rangees += pleine;
    }
    EXPECT_EQ(rangees, 1);
    // The coefficient's spinner redraws with the new threshold, within 1..5.
    for (int i = 0; i < 6; ++i)
        F->UpDwnCoefRegistrationPlanetaire->stepUp();
    EXPECT_EQ(F->EdtCoefRegistrationPlanetaire->text(), QStringLiteral("5"));
    QTest::keyClicks(F->EdtCoefRegistrationPlanetaire, QStringLiteral("9"));
    EXPECT_EQ(F->EdtCoefRegistrationPlanetaire->text(), QStringLiteral("5"));
}

TEST_F(TFenetrePretraitement, ImageDeRegistrationIllisible)
{
    Ajouter(F->BtnBrutes, Chemins({"brute1.fit", "brute2.fit"}));
    const std::vector<double> montree = F->RegistrationFit.Pixels;
    Glisser(QPoint(439, 73), QPoint(463, 97));
    ASSERT_TRUE(F->CadreDefini());
    for (const char* faute : {"taille", "tronque"}) {
        SCOPED_TRACE(faute);
        const QString b2 = Chemin(QStringLiteral("brute2.fit"));
        QFile::remove(b2);
        QFile::copy(Chemin(QString::fromLatin1(QByteArray(faute) == "taille" ? "ngc.fit" : "brute3.fit")), b2);
        if (QByteArray(faute) == "tronque")
            QFile::resize(b2, 30000);
        Dialogues::ViderJournal();
        F->LstBxBrutes->setCurrentRow(1);
        emit F->LstBxBrutes->itemClicked(F->LstBxBrutes->item(1));
        EXPECT_EQ(Messages(TGenreDemande::Erreur).size(), 1);
        EXPECT_EQ(F->RegistrationFit.Pixels, montree);
        EXPECT_TRUE(F->CadreDefini());
    }
}

TEST_F(TFenetrePretraitement, EtoileSurLePlanChoisi)
{
    // A 24-bit frame: a red star at (30, 20), a green one at (36, 26).
    const QString nom = Chemin(QStringLiteral("plans.bmp"));
    EcrireBitmapBmp(BitmapDe(80, 60, 3,
                             [](int x, int y, int c) {
                                 // Bytes blue, green, red.
                                 if (c == 2 && x == 30 && y == 20)
                                     return 250;
                                 if (c == 1 && x == 36 && y == 26)
                                     return 240;
                                 return 20;
                             }),
                    nom);
    F->AjouterBrutes({nom});
    Glisser(QPoint(20, 10), QPoint(50, 40));
    ASSERT_TRUE(F->CadreDefini());
    EXPECT_EQ(F->LblCoordonneesEtMaxi->text(), QStringLiteral("[20,10] [50,40] Max : 250"));
    // The brightest pixel of the plane is the whole centroid: the cross sits on it.
    const auto croix = [&](int x, int y) { return F->ImgZoomRegistration->Picture.pixel(4 * (x - 20), 4 * (y - 10)); };
    EXPECT_EQ(croix(36, 26), qRgb(255, 0, 0));
    EXPECT_NE(croix(30, 20), qRgb(255, 0, 0));
    F->CmbBxPlanRegistration->setCurrentIndex(0);
    emit F->CmbBxPlanRegistration->activated(0);
    EXPECT_EQ(croix(30, 20), qRgb(255, 0, 0));
    EXPECT_NE(croix(36, 26), qRgb(255, 0, 0));
    EXPECT_EQ(F->IndexPlanRegistration, 0);
}
