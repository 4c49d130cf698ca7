// The preprocessing run driven through the frame as a user would: lists
// filled through the open dialog, a frame drawn with the mouse, Execution,
// the report read line by line with its colours, the result checked against
// numpy, saved, opened, exported, copied, the report saved and printed; then
// a colour series without a frame, and a run that fails.
#include "PApplication.h"
#include "PDialogues.h"
#include "Soutien.h"
#include "UControleImage.h"
#include "UExportationJpeg.h"
#include "UInstallationImage.h"
#include "UInstallationPretraitement.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPretraitement.h"

#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

// Records the texts a widget showed each time it was painted.
class TTemoinPeinture : public QObject {
public:
    std::function<QString()> Lire;
    QStringList Vus;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && (Vus.isEmpty() || Vus.last() != Lire()))
            Vus << Lire();
        return false;
    }
};

bool Montree(TGenreDemande genre)
{
    const auto& j = Dialogues::Journal();
    return std::any_of(j.begin(), j.end(), [genre](const TDemandeDialogue& d) { return d.Genre == genre; });
}

} // namespace

TEST(ExecutionFenetre, DeLaListeAuResultatSauve)
{
    QTemporaryDir dossier;
    const auto chemin = [&](const char* n) { return dossier.filePath(QString::fromLatin1(n)); };
    Python(QStringLiteral("series_execution"), {QStringLiteral(STELOR_TESTDATA), dossier.path()});
    TUtilisateurTest u;
    const TRepondeurTest repondeur(u.Repondeur());
    ExportationJpeg = new TExportationJpeg;
    auto* cadre = new TMain; // opens the settings; this test's own file comes after
    FixerFichierPreferences(chemin("Stelor.ini"));
    InstallerFenetresImage(*cadre);
    InstallerPretraitement(*cadre);
    cadre->resize(1400, 1000);
    cadre->show();
    cadre->MnItmPretraitement->trigger();
    auto* f = qobject_cast<TPretraitement*>(cadre->FenetreActive());
    ASSERT_NE(f, nullptr);
    const auto ajouter = [&](QPushButton* bouton, std::initializer_list<const char*> noms) {
        u.AOuvrir.clear();
        for (const char* n : noms)
            u.AOuvrir << chemin(n);
        QTest::mouseClick(bouton, Qt::LeftButton);
    };
    const auto executer = [&] {
        f->PgCntrlPrincipale->setCurrentWidget(f->TbShtExecution);
        QTest::mouseClick(f->BtBtnExecutionProcess, Qt::LeftButton);
    };
    ajouter(f->BtnBrutes, {"brute0.fit", "brute1.fit", "brute2.fit"});
    ajouter(f->BtnDarks, {"dark0.fit", "dark1.fit"});
    ajouter(f->BtnFlats, {"flat0.fit", "flat1.fit"});
    ajouter(f->BtnOffsets, {"offset0.fit", "offset1.fit"});
    f->CmbBxFlatMedianeMoyenne->setCurrentIndex(1);
    f->PgCntrlPrincipale->setCurrentWidget(f->TbShtRegistration);
    QApplication::processEvents();
    // The star near (451, 85) of the first frame, framed with the mouse.
    QTest::mousePress(f->ImgRegistration, Qt::LeftButton, {}, QPoint(436, 70));
    QMouseEvent deplacement(QEvent::MouseMove, QPoint(466, 100), f->ImgRegistration->mapToGlobal(QPoint(466, 100)),
                            Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f->ImgRegistration, &deplacement);
    QTest::mouseRelease(f->ImgRegistration, Qt::LeftButton, {}, QPoint(466, 100));
    ASSERT_TRUE(f->CadreDefini());

    const auto avant = QDir(dossier.path()).entryList(QDir::Files);
    TTemoinPeinture statut, rapport;
    statut.Lire = [&] { return f->LblMessage->text(); };
    rapport.Lire = [&] { return QString::number(f->RchEdtExecution->document()->blockCount()); };
    f->LblMessage->installEventFilter(&statut);
    f->RchEdtExecution->viewport()->installEventFilter(&rapport);
    Dialogues::ViderJournal();
    executer();
    f->LblMessage->removeEventFilter(&statut);
    f->RchEdtExecution->viewport()->removeEventFilter(&rapport);
    // No question: a frame is defined. Nothing written beside the sources.
    EXPECT_FALSE(Montree(TGenreDemande::Question));
    EXPECT_EQ(QDir(dossier.path()).entryList(QDir::Files), avant);

    // The report as the user sees it: each paragraph with the colour of its text.
    QStringList titres, decalages, lignes;
    std::vector<QColor> couleurs;
    for (QTextBlock b = f->RchEdtExecution->document()->begin(); b.isValid(); b = b.next()) {
        couleurs.push_back(b.begin().atEnd() ? QColor(0, 0, 0) : b.begin().fragment().charFormat().foreground().color());
        lignes << b.text();
        if (b.text().endsWith(QStringLiteral("...")) && !b.text().contains(QLatin1Char('\t')))
            titres << b.text();
        if (b.text().contains(QStringLiteral("pretbrg~")))
            decalages << b.text().section(QLatin1Char('\t'), 0, 1);
    }
    ASSERT_GE(lignes.size(), 40);
    const int n = lignes.size();
    EXPECT_EQ((QStringList{lignes[0], lignes[2], lignes[n - 2], lignes[n - 1]}),
              (QStringList{QStringLiteral("Début du prétraitement ").leftJustified(80, '-'),
                           "3 brute(s), 2 dark(s), 2 flat(s), 2 offset(s).",
                           QStringLiteral("Fin du prétraitement ").leftJustified(80, '-'), ""}));
    EXPECT_EQ((std::vector<QColor>{couleurs[0], couleurs[2], couleurs[n - 2], couleurs[n - 1]}),
              (std::vector<QColor>{Qt::red, Qt::blue, Qt::red, Qt::black}));
    EXPECT_EQ(titres, (QStringList{"Calcul du master dark...", "Calcul du master offset...",
                                   "Soustraction du master offset aux flats...", "Calcul du master flat...",
                                   "Soustraction du master dark aux brutes...",
                                   "Divisions des brutes (- master dark) par le master flat...",
                                   "Alignement et ajustement des niveaux...", "Compositage...",
                                   "Purge des fichiers temporaires..."}));
    EXPECT_EQ(decalages, (QStringList{"+0,00000...\t+0,00000...", "-2,00000...\t+3,00000...",
                                      "+4,00000...\t-1,00000..."}));
    // The status line counted the stacking down; the report was painted as it grew.
    EXPECT_TRUE(statut.Vus.contains(QStringLiteral("Compositage... (2)")) &&
                statut.Vus.contains(QStringLiteral("Compositage... (0)")))
        << statut.Vus.join('|').toStdString();
    EXPECT_GE(rapport.Vus.size(), 10) << rapport.Vus.join('|').toStdString();

    // The result on its tab, saved there and by the frame: numpy and fitsverify agree.
    ASSERT_EQ(
        std::tuple(f->PgCntrlPrincipale->currentWidget(), f->PnlResultatFit->isHidden(), f->PnlResultatBmp->isHidden()),
        std::tuple(f->TbShtResultat, false, true));
    u.AEnregistrer = chemin("pile.fit");
    QTest::mouseClick(f->BtBtnResultatFitEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(f->LblMessage->text(), QStringLiteral("Image enregistrée."));
    EXPECT_EQ(Python(QStringLiteral("pile_execution"), {dossier.path(), u.AEnregistrer}), QStringLiteral("0 536 520"));
    EXPECT_TRUE(AccepteParFitsverify(u.AEnregistrer));
    cadre->UpdateMenuItems();
    ASSERT_TRUE(cadre->MnItmEnregistrerSous->isEnabled());
    u.AEnregistrer = chemin("cadre.fit");
    cadre->MnItmEnregistrerSous->trigger();
    EXPECT_EQ(FitLu(chemin("cadre.fit")).Pixels, FitLu(chemin("pile.fit")).Pixels);

    // Copied as shown, exported to JPEG, opened in an image window.
    cadre->MnItmCopier->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(536, 520));
    u.Modal = [&](QDialog& d) {
        u.AEnregistrer = chemin("pile.jpg");
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnExporter")), Qt::LeftButton);
        return mrOk;
    };
    f->MnItmResultatFitExporterJpeg->trigger();
    EXPECT_EQ(DecodeParDjpeg(chemin("pile.jpg")).left(11), QByteArray("P5\n536 520\n"));
    f->MnItmResultatFitOuvrir->trigger();
    EXPECT_TRUE(cadre->FenetreActive() && cadre->FenetreActive()->Tag() == GenreImage);

    // The report saved as text and printed (as PDF: no printer here).
    cadre->ZoneMDI()->setActiveSubWindow(f);
    u.AEnregistrer = chemin("rapport.txt");
    f->MnItmEnregistrerSousExecution->trigger();
    QFile texte(u.AEnregistrer);
    ASSERT_TRUE(texte.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(texte.readAll()).startsWith(lignes[0]));
    f->PgCntrlPrincipale->setCurrentWidget(f->TbShtExecution);
    u.AEnregistrer = chemin("rapport.pdf");
    QTest::mouseClick(f->BtnImprimerExecution, Qt::LeftButton);
    QString pdf;
    EXPECT_EQ(LancerProgramme(QStringLiteral("/usr/bin/pdftotext"), {u.AEnregistrer, QStringLiteral("-")}, &pdf), 0);
    EXPECT_TRUE(pdf.contains(QStringLiteral("Début du prétraitement")) && pdf.contains(QStringLiteral("Master dark calculé.")))
        << pdf.toStdString();

    // Colour frames with no frame drawn: the question, answered No, stops.
    for (QPushButton* b : {f->BtnEffacerBrutes, f->BtnEffacerDarks, f->BtnEffacerFlats, f->BtnEffacerOffsets})
        QTest::mouseClick(b, Qt::LeftButton);
    ajouter(f->BtnBrutes, {"couleur0.bmp", "couleur1.bmp"});
    u.Question = mrNo;
    Dialogues::ViderJournal();
    const QString rapportFit = f->RchEdtExecution->toPlainText();
    executer();
    EXPECT_EQ(f->RchEdtExecution->toPlainText(), rapportFit);
    ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    EXPECT_EQ(Dialogues::Journal()[0].Texte,
              QStringLiteral("Aucun cadre pour l'alignement n'a été défini.\rVoulez-vous effectuer le prétraitement "
                             "sans alignement ?"))
        << JournalDialogues();
    // Yes goes on: levels only, then the mean, saved by the frame.
    u.Question = mrYes;
    executer();
    EXPECT_TRUE(f->RchEdtExecution->toPlainText().contains(QStringLiteral("Ajustement des niveaux...")));
    ASSERT_FALSE(f->PnlResultatBmp->isHidden());
    u.AEnregistrer = chemin("pile.bmp");
    cadre->UpdateMenuItems();
    cadre->MnItmEnregistrerSous->trigger();
    EXPECT_EQ(std::tuple(f->FichierResultatBmp, QImage(u.AEnregistrer).size()),
              std::tuple(u.AEnregistrer, QSize(1000, 872)));
    // The saved colour result goes on to a tricolour window.
    QTest::mouseClick(f->BtBtnResultatBmpTrichromieRVB, Qt::LeftButton);
    EXPECT_TRUE(cadre->FenetreActive() && cadre->FenetreActive()->Tag() == GenreTrichromie);
    cadre->ZoneMDI()->setActiveSubWindow(f);
    // A run that fails keeps the result shown before it.
    QFile::remove(chemin("couleur1.bmp"));
    QFile::copy(CheminDonnees(QStringLiteral("hubble_deep_field_8.bmp")), chemin("couleur1.bmp"));
    Dialogues::ViderJournal();
    ExecuterCommande([&] { f->BtBtnExecutionProcessClick(); });
    EXPECT_TRUE(Montree(TGenreDemande::Erreur));
    EXPECT_EQ(std::tuple(f->PnlResultatBmp->isHidden(), LargeurBmp(f->ResultatBmp)), std::tuple(false, 1000));

    delete cadre;
    delete ExportationJpeg;
    ExportationJpeg = nullptr;
    FermerPreferences();
}
