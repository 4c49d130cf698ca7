// The preprocessing run driven through the frame as a user would: lists
// filled through the open dialog, a frame drawn with the mouse, Execution,
// the report read line by line with its colours, the result checked against
// numpy, saved, opened, exported, copied, the report saved and printed.
#include "PApplication.h"
#include "PDialogues.h"
#include "Soutien.h"
#include "UControleImage.h"
#include "UExportationJpeg.h"
#include "UFit.h"
#include "UInstallationImage.h"
#include "UInstallationPretraitement.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPretraitement.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Noise-free copies of the SAAO frame moved by whole pixels, a constant dark
// and offset, a flat of one level: registration then finds whole shifts and
// numpy can follow every step. Prints nothing; pile.py recomputes the stack.
const char* const kSeries = R"PY(
import sys, numpy as np
from astropy.io import fits
from PIL import Image
d, o = sys.argv[1], sys.argv[2]
lire = lambda n: fits.getdata(n).astype(np.float64)[::-1]
ecrire = lambda n, a: fits.PrimaryHDU(np.clip(np.rint(a), 0, 65535).astype(np.uint16)[::-1]).writeto(n, overwrite=True)
def decaler(img, sx, sy):
    h, w = img.shape
    out = np.zeros_like(img)
    out[max(sy, 0):h + min(sy, 0), max(sx, 0):w + min(sx, 0)] = img[max(-sy, 0):h + min(-sy, 0), max(-sx, 0):w + min(-sx, 0)]
    return out
saao = lire(d + '/saao_raw_u16.fits')
for k, (sx, sy) in enumerate([(0, 0), (2, -3), (-4, 1)]):
    ecrire(f'{o}/brute{k}.fit', decaler(saao + 150, sx, sy))
for k in range(2):
    ecrire(f'{o}/dark{k}.fit', np.full(saao.shape, 100.0 + k))
    ecrire(f'{o}/flat{k}.fit', np.full(saao.shape, 20200.0 + 2 * k))
    ecrire(f'{o}/offset{k}.fit', np.full(saao.shape, 200.0))
rng = np.random.default_rng(3)
c = np.asarray(Image.open(d + '/hubble_deep_field_24.bmp').convert('RGB'), dtype=np.float64)
for k in range(2):
    Image.fromarray(np.clip(np.rint(c + rng.normal(0, 4, c.shape)), 0, 255).astype(np.uint8), 'RGB').save(f'{o}/couleur{k}.bmp')
)PY";

// The same steps in numpy: medians (upper middle for an even count), dark,
// flat scaled by its mean, whole shifts with black fill, levels brought to
// the first frame's mean, every intermediate rounded as the files store it.
const char* const kPile = R"PY(
import sys, numpy as np
from astropy.io import fits
o = sys.argv[1]
lire = lambda n: fits.getdata(n).astype(np.float64)[::-1]
med = lambda ns: np.sort(np.array([lire(f'{o}/{n}') for n in ns]), axis=0)[len(ns) // 2]
dark = med(['dark0.fit', 'dark1.fit']); offset = med(['offset0.fit', 'offset1.fit'])
flat = np.sort(np.array([np.rint(np.clip(lire(f'{o}/flat{k}.fit') - offset, 0, 65535)) for k in range(2)]), axis=0)[1]
moy = flat.mean(); f = np.where(flat == 0, 1, flat)
def decaler(img, sx, sy):
    h, w = img.shape
    out = np.zeros_like(img)
    out[max(sy, 0):h + min(sy, 0), max(sx, 0):w + min(sx, 0)] = img[max(-sy, 0):h + min(-sy, 0), max(-sx, 0):w + min(-sx, 0)]
    return out
cal = [np.rint(np.clip(np.rint(np.clip(lire(f'{o}/brute{k}.fit') - dark, 0, 65535)) / f * moy, 0, 65535)) for k in range(3)]
niveau = cal[0].mean()
out = []
for k, (sx, sy) in enumerate([(0, 0), (-2, 3), (4, -1)]):
    a = decaler(cal[k], sx, sy)
    out.append(np.rint(np.clip(a + niveau - a.mean(), 0, 65535)))
r = np.clip(sum(out) / 3, 0, 65535)
s = lire(sys.argv[2])
print(int(np.abs(s - r).max()), s.shape[1], s.shape[0])
)PY";

QString Python(const char* script, const QStringList& arguments)
{
    QString sortie;
    const int code = LancerProgramme(QStringLiteral("/usr/bin/python3"),
                                     QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + arguments,
                                     &sortie, 180000);
    EXPECT_EQ(code, 0) << sortie.toStdString();
    return sortie.trimmed();
}

struct TLigne {
    QString Texte;
    QColor Couleur;
};

// The report as the user sees it: each paragraph with the colour of its text.
std::vector<TLigne> LignesRapport(const QTextEdit* rapport)
{
    std::vector<TLigne> lignes;
    for (QTextBlock b = rapport->document()->begin(); b.isValid(); b = b.next()) {
        QColor c(0, 0, 0);
        for (auto it = b.begin(); !it.atEnd(); ++it)
            c = it.fragment().charFormat().foreground().color();
        lignes.push_back({b.text(), c});
    }
    return lignes;
}

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

class TExecutionFenetre : public ::testing::Test {
protected:
    QTemporaryDir Dossier;
    QStringList AOuvrir;
    QString AEnregistrer;
    std::function<int(QDialog&)> Modal;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
    TPretraitement* F = nullptr;

    void SetUp() override
    {
        Python(kSeries, {QStringLiteral(STELOR_TESTDATA), Dossier.path()});
        Repondeur = std::make_unique<TRepondeurTest>([this](const TDemandeDialogue& d) {
            TReponseDialogue r = ReponseParDefaut(d);
            if (d.Genre == TGenreDemande::OuvrirFichiers)
                r.Fichiers = AOuvrir;
            else if (d.Genre == TGenreDemande::EnregistrerFichier)
                r.Fichiers = QStringList{AEnregistrer};
            else if (d.Genre == TGenreDemande::Question)
                r.Resultat = mrYes;
            else if (d.Genre == TGenreDemande::Modal && Modal && d.Dialogue)
                r.Resultat = Modal(*d.Dialogue);
            return r;
        });
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        ExportationJpeg = new TExportationJpeg;
        Cadre = new TMain;
        InstallerFenetresImage(*Cadre);
        InstallerPretraitement(*Cadre);
        Cadre->resize(1400, 1000);
        Cadre->show();
        Cadre->MnItmPretraitement->trigger();
        F = qobject_cast<TPretraitement*>(Cadre->FenetreActive());
        ASSERT_NE(F, nullptr);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        delete Cadre;
        delete ExportationJpeg;
        ExportationJpeg = nullptr;
        Repondeur.reset();
        FermerPreferences();
    }

    QString Chemin(const QString& n) const { return Dossier.filePath(n); }
    void Ajouter(QPushButton* bouton, const QStringList& noms)
    {
        AOuvrir.clear();
        for (const QString& n : noms)
            AOuvrir << Chemin(n);
        QTest::mouseClick(bouton, Qt::LeftButton);
    }
    void Executer()
    {
        F->PgCntrlPrincipale->setCurrentWidget(F->TbShtExecution);
        QTest::mouseClick(F->BtBtnExecutionProcess, Qt::LeftButton);
    }
};

TEST_F(TExecutionFenetre, SerieFitDeLaListeAuResultatSauve)
{
    Ajouter(F->BtnBrutes, {"brute0.fit", "brute1.fit", "brute2.fit"});
    Ajouter(F->BtnDarks, {"dark0.fit", "dark1.fit"});
    Ajouter(F->BtnFlats, {"flat0.fit", "flat1.fit"});
    Ajouter(F->BtnOffsets, {"offset0.fit", "offset1.fit"});
    F->CmbBxOffsetMedianeMoyenne->setCurrentIndex(0);
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtRegistration);
    QApplication::processEvents();
    // The star near (451, 85) of the first frame, framed with the mouse.
    QTest::mousePress(F->ImgRegistration, Qt::LeftButton, {}, QPoint(436, 70));
    QMouseEvent deplacement(QEvent::MouseMove, QPoint(466, 100), F->ImgRegistration->mapToGlobal(QPoint(466, 100)),
                            Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(F->ImgRegistration, &deplacement);
    QTest::mouseRelease(F->ImgRegistration, Qt::LeftButton, {}, QPoint(466, 100));
    ASSERT_TRUE(F->CadreDefini());

    const auto avant = QDir(Dossier.path()).entryList(QDir::Files);
    TTemoinPeinture statut, rapport;
    statut.Lire = [this] { return F->LblMessage->text(); };
    rapport.Lire = [this] { return QString::number(F->RchEdtExecution->document()->blockCount()); };
    F->LblMessage->installEventFilter(&statut);
    F->RchEdtExecution->viewport()->installEventFilter(&rapport);
    Dialogues::ViderJournal();
    Executer();
    F->LblMessage->removeEventFilter(&statut);
    F->RchEdtExecution->viewport()->removeEventFilter(&rapport);

    // No question: a frame is defined. Nothing written beside the sources.
    for (const TDemandeDialogue& d : Dialogues::Journal())
        EXPECT_NE(d.Genre, TGenreDemande::Question) << d.Texte.toStdString();
    EXPECT_EQ(QDir(Dossier.path()).entryList(QDir::Files), avant);

    const std::vector<TLigne> l = LignesRapport(F->RchEdtExecution);
    ASSERT_GE(l.size(), 40u);
    const QColor rouge(255, 0, 0), bleu(0, 0, 255), noir(0, 0, 0);
    EXPECT_EQ(l[0].Texte, QStringLiteral("Début du prétraitement ").leftJustified(80, QLatin1Char('-')));
    EXPECT_EQ(l[0].Couleur, rouge);
    EXPECT_EQ(l[2].Texte, QStringLiteral("3 brute(s), 2 dark(s), 2 flat(s), 2 offset(s)."));
    EXPECT_EQ(l[2].Couleur, bleu);
    QStringList titres, decalages;
    for (const TLigne& x : l) {
        if (x.Texte.endsWith(QStringLiteral("...")) && !x.Texte.contains(QLatin1Char('\t')))
            titres << x.Texte;
        if (x.Texte.contains(QStringLiteral("pretbrg~")))
            decalages << x.Texte.section(QLatin1Char('\t'), 0, 1);
        if (x.Couleur == bleu) {
            EXPECT_TRUE(x.Texte == l[2].Texte || x.Texte.endsWith(QLatin1Char('.')));
        }
    }
    EXPECT_EQ(titres, (QStringList{"Calcul du master dark...", "Calcul du master offset...",
                                   "Soustraction du master offset aux flats...", "Calcul du master flat...",
                                   "Soustraction du master dark aux brutes...",
                                   "Divisions des brutes (- master dark) par le master flat...",
                                   "Alignement et ajustement des niveaux...", "Compositage...",
                                   "Purge des fichiers temporaires..."}));
    EXPECT_EQ(decalages, (QStringList{"+0,00000...\t+0,00000...", "-2,00000...\t+3,00000...",
                                      "+4,00000...\t-1,00000..."}));
    EXPECT_EQ(l[l.size() - 2].Texte, QStringLiteral("Fin du prétraitement ").leftJustified(80, QLatin1Char('-')));
    EXPECT_EQ(l[l.size() - 2].Couleur, rouge);
    EXPECT_EQ(l.back().Couleur, noir);
    // The status line counted the stacking down; the report was painted as it grew.
    EXPECT_TRUE(statut.Vus.contains(QStringLiteral("Compositage... (2)"))) << statut.Vus.join('|').toStdString();
    EXPECT_TRUE(statut.Vus.contains(QStringLiteral("Compositage... (0)"))) << statut.Vus.join('|').toStdString();
    EXPECT_GE(rapport.Vus.size(), 10) << rapport.Vus.join('|').toStdString();

    // The result on its tab, saved there and by the frame: numpy agrees.
    ASSERT_EQ(F->PgCntrlPrincipale->currentWidget(), F->TbShtResultat);
    ASSERT_FALSE(F->PnlResultatFit->isHidden());
    EXPECT_TRUE(F->PnlResultatBmp->isHidden());
    EXPECT_TRUE(F->BtnImprimerExecution->isHidden());
    AEnregistrer = Chemin(QStringLiteral("pile.fit"));
    QTest::mouseClick(F->BtBtnResultatFitEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(F->LblMessage->text(), QStringLiteral("Image enregistrée."));
    EXPECT_EQ(Python(kPile, {Dossier.path(), AEnregistrer}), QStringLiteral("0 536 520"));
    QString verif;
    LancerProgramme(QStringLiteral("/usr/bin/fitsverify"), {AEnregistrer}, &verif);
    EXPECT_TRUE(verif.contains(QStringLiteral(" and 0 error(s)."))) << verif.toStdString();
    Cadre->UpdateMenuItems();
    ASSERT_TRUE(Cadre->MnItmEnregistrerSous->isEnabled());
    AEnregistrer = Chemin(QStringLiteral("cadre.fit"));
    Cadre->MnItmEnregistrerSous->trigger();
    EXPECT_EQ(FitLu(Chemin(QStringLiteral("cadre.fit"))).Pixels, FitLu(Chemin(QStringLiteral("pile.fit"))).Pixels);

    // Copied as shown, exported to JPEG, opened in an image window.
    Cadre->MnItmCopier->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(536, 520));
    Modal = [this](QDialog& d) {
        AEnregistrer = Chemin(QStringLiteral("pile.jpg"));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnExporter")), Qt::LeftButton);
        return mrOk;
    };
    F->MnItmResultatFitExporterJpeg->trigger();
    QString djpeg;
    EXPECT_EQ(LancerProgramme(QStringLiteral("/usr/bin/djpeg"), {QStringLiteral("-pnm"), Chemin("pile.jpg")}, &djpeg), 0);
    EXPECT_TRUE(djpeg.startsWith(QStringLiteral("P5\n536 520"))) << djpeg.left(20).toStdString();
    F->MnItmResultatFitOuvrir->trigger();
    ASSERT_NE(Cadre->FenetreActive(), nullptr);
    EXPECT_EQ(Cadre->FenetreActive()->Tag(), GenreImage);

    // The report saved as text and printed (as PDF: no printer here).
    F->setFocus();
    Cadre->ZoneMDI()->setActiveSubWindow(F);
    AEnregistrer = Chemin(QStringLiteral("rapport.txt"));
    F->MnItmEnregistrerSousExecution->trigger();
    QFile texte(AEnregistrer);
    ASSERT_TRUE(texte.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(texte.readAll()).startsWith(l[0].Texte));
    F->PgCntrlPrincipale->setCurrentWidget(F->TbShtExecution);
    AEnregistrer = Chemin(QStringLiteral("rapport.pdf"));
    QTest::mouseClick(F->BtnImprimerExecution, Qt::LeftButton);
    QString pdf;
    EXPECT_EQ(LancerProgramme(QStringLiteral("/usr/bin/pdftotext"), {AEnregistrer, QStringLiteral("-")}, &pdf), 0);
    EXPECT_TRUE(pdf.contains(QStringLiteral("Début du prétraitement"))) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains(QStringLiteral("Master dark calculé."))) << pdf.toStdString();
}

TEST_F(TExecutionFenetre, SerieBmpSansCadreApresLaQuestion)
{
    Ajouter(F->BtnBrutes, {"couleur0.bmp", "couleur1.bmp"});
    // "Stellaire" without a frame: the question, answered No, stops.
    Repondeur = std::make_unique<TRepondeurTest>([](const TDemandeDialogue& d) {
        TReponseDialogue r = ReponseParDefaut(d);
        r.Resultat = mrNo;
        return r;
    });
    Executer();
    EXPECT_EQ(F->RchEdtExecution->document()->toPlainText(), QString());
    ASSERT_EQ(Dialogues::Journal().size(), 1u);
    EXPECT_EQ(Dialogues::Journal()[0].Texte,
              QStringLiteral("Aucun cadre pour l'alignement n'a été défini.\rVoulez-vous effectuer le prétraitement "
                             "sans alignement ?"));
    // Yes goes on: levels only, then the mean.
    Repondeur = std::make_unique<TRepondeurTest>([this](const TDemandeDialogue& d) {
        TReponseDialogue r = ReponseParDefaut(d);
        if (d.Genre == TGenreDemande::Question)
            r.Resultat = mrYes;
        else if (d.Genre == TGenreDemande::EnregistrerFichier)
            r.Fichiers = QStringList{AEnregistrer};
        return r;
    });
    Executer();
    EXPECT_TRUE(F->RchEdtExecution->toPlainText().contains(QStringLiteral("Ajustement des niveaux...")));
    ASSERT_FALSE(F->PnlResultatBmp->isHidden());
    AEnregistrer = Chemin(QStringLiteral("pile.bmp"));
    Cadre->UpdateMenuItems();
    Cadre->MnItmEnregistrerSous->trigger();
    EXPECT_EQ(F->FichierResultatBmp, AEnregistrer);
    const QImage lu(AEnregistrer);
    EXPECT_EQ(lu.size(), QSize(1000, 872));
    // The saved colour result goes on to a tricolour window.
    ASSERT_FALSE(F->BtBtnResultatBmpTrichromieRVB->isHidden());
    QTest::mouseClick(F->BtBtnResultatBmpTrichromieRVB, Qt::LeftButton);
    ASSERT_NE(Cadre->FenetreActive(), nullptr);
    EXPECT_EQ(Cadre->FenetreActive()->Tag(), GenreTrichromie);
    Cadre->ZoneMDI()->setActiveSubWindow(F);
    // A run that fails keeps the result shown before it.
    QFile::remove(Chemin(QStringLiteral("couleur1.bmp")));
    QFile::copy(CheminDonnees(QStringLiteral("hubble_deep_field_8.bmp")), Chemin(QStringLiteral("couleur1.bmp")));
    Dialogues::ViderJournal();
    ExecuterCommande([this] { F->BtBtnExecutionProcessClick(); });
    bool erreur = false;
    for (const TDemandeDialogue& d : Dialogues::Journal())
        erreur = erreur || d.Genre == TGenreDemande::Erreur;
    EXPECT_TRUE(erreur);
    EXPECT_FALSE(F->PnlResultatBmp->isHidden());
    EXPECT_EQ(LargeurBmp(F->ResultatBmp), 1000);
}

} // namespace
