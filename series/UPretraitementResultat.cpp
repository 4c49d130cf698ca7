// The preprocessing window's run, its report and its result: what the
// Execution and Résultat tabs do, and the frame's commands that reach them.
#include "PApplication.h"
#include "PCurseur.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "PImpression.h"
#include "UControleImage.h"
#include "UEcritureFit.h"
#include "UExportation.h"
#include "UExportationJpeg.h"
#include "UInstallationTrichromie.h"
#include "UOutils.h"
#include "UPretraitement.h"
#include "UTrichromieRVB.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>

TReglagesPretraitement TPretraitement::ReglagesExecution() const
{
    auto liste = [](const QListWidget* l) {
        QList<TFichierSerie> fichiers;
        for (int i = 0; i < l->count(); ++i)
            fichiers << TFichierSerie{l->item(i)->data(Qt::UserRole).toString(), l->item(i)->text()};
        return fichiers;
    };
    TReglagesPretraitement r;
    r.TypeImages = TypeImages();
    r.Brutes = liste(LstBxBrutes);
    r.Darks = liste(LstBxDarks);
    r.Flats = liste(LstBxFlats);
    r.Offsets = liste(LstBxOffsets);
    r.CombinaisonDark = CmbBxDarkMedianeMoyenne->currentIndex();
    r.CombinaisonFlat = CmbBxFlatMedianeMoyenne->currentIndex();
    r.CombinaisonOffset = CmbBxOffsetMedianeMoyenne->currentIndex();
    r.Registration = CmbBxRegistration->currentIndex();
    r.CoefPlanetaire = CoefRegistrationPlanetaire();
    r.PlanRegistration = CmbBxPlanRegistration->currentIndex();
    r.Cadre = Cadre;
    r.Reference = std::max(IndexBruteReference(), 0);
    r.Addition = CmbBxExecutionMoyenneAddition->currentIndex() == 1;
    r.AjustementNiveaux = ChckBxExecutionAjustementNiveaux->isChecked();
    r.Conserver = ChckBxExecutionConserver->isChecked();
    r.Compositer = ChckBxCompositer->isChecked();
    return r;
}

void TPretraitement::AjouterLigneRapport(const QString& texte, const QColor& couleur)
{
    QTextCursor c(RchEdtExecution->document());
    c.movePosition(QTextCursor::End);
    if (!RchEdtExecution->document()->isEmpty() || FLignesRapport > 0)
        c.insertBlock();
    QTextCharFormat format;
    format.setForeground(couleur);
    c.insertText(texte, format);
    ++FLignesRapport;
    RchEdtExecution->setTextCursor(c);
    RchEdtExecution->ensureCursorVisible();
    RchEdtExecution->setFocus();
    RchEdtExecution->repaint();
}

void TPretraitement::BtBtnExecutionProcessClick()
{
    PurgerListes();
    if (LstBxBrutes->count() == 0)
        return;
    if (CmbBxRegistration->currentIndex() == RegistrationStellaire && !CadreDefini() &&
        !Dialogues::Question(QStringLiteral("Aucun cadre pour l'alignement n'a été défini.\rVoulez-vous effectuer le "
                                            "prétraitement sans alignement ?")))
        return;
    const TReglagesPretraitement r = ReglagesExecution();
    if (r.TypeImages != tiFit && r.TypeImages != tiBmp)
        return;
    RchEdtExecution->clear();
    FLignesRapport = 0;
    TResultatPretraitement fin;
    {
        TSablier sablier;
        const TProgression progression = [this](const QString& t) {
            LblMessage->setText(t);
            LblMessage->repaint();
        };
        // The result shown before stays until the run has succeeded.
        fin = ExecuterPretraitement(
            r, [this](const QString& t, const QColor& c) { AjouterLigneRapport(t, c); }, progression, ResultatFit,
            ResultatBmp);
    }
    PnlResultatFit->hide();
    PnlResultatBmp->hide();
    if (r.TypeImages == tiBmp)
        FichierResultatBmp.clear();
    if (!fin.Compose)
        return;
    if (r.TypeImages == tiFit)
        AfficherResultatFit();
    else
        AfficherResultatBmp();
}

void TPretraitement::AfficherResultat(bool fit)
{
    if (fit) {
        FixerSeuilsFit(ResultatFit, SeuilMiniAutoFit(ResultatFit), SeuilMaxiAutoFit(ResultatFit), true, true);
        PlacerCurseurs(TrckBrResultatFitSeuilHaut, TrckBrResultatFitSeuilBas, ResultatFit.SMax, ResultatFit.SMin);
    } else {
        FixerSeuilsBmp(ResultatBmp, SeuilMiniBmpDefaut(), SeuilMaxiBmpDefaut(), true, true);
        PlacerCurseurs(TrckBrResultatBmpSeuilHaut, TrckBrResultatBmpSeuilBas, ResultatBmp.SMax, ResultatBmp.SMin);
    }
    (fit ? PnlResultatFit : PnlResultatBmp)->show();
    // The colour result goes on to the tricolour window from its panel.
    BtBtnResultatBmpTrichromieRVB->setVisible(!fit);
    PgCntrlPrincipale->setCurrentWidget(TbShtResultat);
    BtnImprimerExecution->hide();
    if (Main) {
        Main->ActiverEnregistrerSous();
        Main->ActiverExporter();
    }
}

void TPretraitement::AfficherResultatFit() { AfficherResultat(true); }
void TPretraitement::AfficherResultatBmp() { AfficherResultat(false); }

bool TPretraitement::ResultatFitPresent() const { return !PnlResultatFit->isHidden() && ResultatFit.PixelsPresents(); }
bool TPretraitement::ResultatBmpPresent() const
{
    return !PnlResultatBmp->isHidden() && !ResultatBmp.BitmapSource.isNull();
}

void TPretraitement::EnregistrerResultatFit()
{
    if (!ResultatFitPresent())
        return;
    const QString nom = SvDlgEnregistrerSousFit.ExecuterEnregistrement(this);
    if (nom.isEmpty())
        return;
    EnregistrerFit(ResultatFit, nom);
    LblMessage->setText(QStringLiteral("Image enregistrée."));
}

void TPretraitement::EnregistrerResultatBmp()
{
    if (!ResultatBmpPresent())
        return;
    const QString nom = SvDlgEnregistrerSousBmp.ExecuterEnregistrement(this);
    if (nom.isEmpty())
        return;
    EnregistrerBmp(ResultatBmp, nom, true);
    FichierResultatBmp = nom;
    LblMessage->setText(QStringLiteral("Image enregistrée."));
}

void TPretraitement::OuvrirResultat(bool fit)
{
    if (!Main)
        return;
    if (fit && ResultatFitPresent())
        Main->CreerFenetreImageFit(ResultatFit);
    else if (!fit && ResultatBmpPresent())
        Main->CreerFenetreImageBmp(ResultatBmp);
}

void TPretraitement::CopierResultat(bool fit)
{
    if (fit && ResultatFitPresent())
        QGuiApplication::clipboard()->setImage(BitmapFit(ResultatFit).copy());
    else if (!fit && ResultatBmpPresent())
        QGuiApplication::clipboard()->setImage(BitmapBmp(ResultatBmp).copy());
}

void TPretraitement::ExporterResultatFitEnBmp()
{
    if (!ResultatFitPresent() || !Main)
        return;
    const QString nom = Main->SvDlgEnregistrerImageSousBmp.ExecuterEnregistrement(this);
    if (nom.isEmpty())
        return;
    ExporterFitEnBmp(ResultatFit, nom, true);
    LblMessage->setText(QStringLiteral("Image exportée."));
}

void TPretraitement::ExporterResultatBmpEnFit()
{
    if (!ResultatBmpPresent() || !Main)
        return;
    const QString nom = Main->SvDlgEnregistrerImageSousFit.ExecuterEnregistrement(this);
    if (nom.isEmpty())
        return;
    ExporterBmpEnFit(ResultatBmp.BitmapSource, nom, [](const QString& t) { Dialogues::Information(t); });
    LblMessage->setText(QStringLiteral("Image exportée."));
}

void TPretraitement::ExporterResultatJpeg(bool fit)
{
    if (!ExportationJpeg || !(fit ? ResultatFitPresent() : ResultatBmpPresent()))
        return;
    {
        TSablier sablier;
        ExportationJpeg->Exporte = false;
        ExportationJpeg->Initialiser(fit ? BitmapFit(ResultatFit) : BitmapBmp(ResultatBmp));
    }
    Dialogues::ExecuterModal(*ExportationJpeg);
    if (ExportationJpeg->Exporte)
        LblMessage->setText(QStringLiteral("Image exportée."));
}

void TPretraitement::BtBtnResultatBmpTrichromieRVBClick()
{
    if (!ResultatBmpPresent() || !Main)
        return;
    if (FormatPixelBmp(ResultatBmp) != pf24bit) {
        Dialogues::Information(QStringLiteral(
            "Le compositage couleurs ne peut être réalisé que sur une image couleur.\rSi vous traitez des plans "
            "séparés, ouvrez la fenêtre trichromie et sélectionnez les plans un à un."));
        return;
    }
    if (FichierResultatBmp.isEmpty()) {
        if (!Dialogues::Question(QStringLiteral("L'image doit être enregistrée avant d'effectuer le compositage "
                                                "couleurs. Voulez-vous réaliser cette opération ?")))
            return;
        EnregistrerResultatBmp();
        if (FichierResultatBmp.isEmpty())
            return;
    }
    CreerFenetreTrichromie(*Main)->ChargerPlansBmpCouleur(FichierResultatBmp);
}

void TPretraitement::CopierRapport() { RchEdtExecution->copy(); }

void TPretraitement::ImprimerRapport()
{
    ImprimerDocument(this, windowTitle(), QStringLiteral("Imprimer le rapport"), *RchEdtExecution->document());
}

// ---- The frame's commands: they act on the panel that is shown.

void TPretraitement::EnregistrerResultatSous()
{
    if (ResultatBmpPresent())
        EnregistrerResultatBmp();
    else if (ResultatFitPresent())
        EnregistrerResultatFit();
}

void TPretraitement::Copier()
{
    if (PgCntrlPrincipale->currentWidget() == TbShtExecution)
        CopierRapport();
    else if (PgCntrlPrincipale->currentWidget() == TbShtResultat)
        CopierResultat(!ResultatBmpPresent());
}

void TPretraitement::ExporterFit()
{
    if (ResultatBmpPresent())
        ExporterResultatBmpEnFit();
    else
        EnregistrerResultatFit();
}

void TPretraitement::ExporterBmp()
{
    if (ResultatBmpPresent())
        EnregistrerResultatBmp();
    else
        ExporterResultatFitEnBmp();
}

void TPretraitement::ExporterJpeg() { ExporterResultatJpeg(!ResultatBmpPresent()); }

void TPretraitement::ConnecterResultat()
{
    auto bouton = [this](QAbstractButton* b, std::function<void()> action) {
        connect(b, &QAbstractButton::clicked, this, [action = std::move(action)] { ExecuterCommande(action); });
    };
    auto item = [this](QAction* a, std::function<void()> action) {
        connect(a, &QAction::triggered, this, [action = std::move(action)] { ExecuterCommande(action); });
    };
    bouton(BtBtnResultatFitEnregistrerSous, [this] { EnregistrerResultatFit(); });
    bouton(BtBtnResultatBmpEnregistrerSous, [this] { EnregistrerResultatBmp(); });
    bouton(BtnImprimerExecution, [this] { ImprimerRapport(); });
    bouton(BtBtnResultatBmpTrichromieRVB, [this] { BtBtnResultatBmpTrichromieRVBClick(); });
    item(MnItmResultatFitEnregistrerSous, [this] { EnregistrerResultatFit(); });
    item(MnItmResultatBmpEnregistrerSous, [this] { EnregistrerResultatBmp(); });
    item(MnItmResultatFitOuvrir, [this] { OuvrirResultat(true); });
    item(MnItmResultatBmpOuvrir, [this] { OuvrirResultat(false); });
    item(MnItmResultatFitCopier, [this] { CopierResultat(true); });
    item(MnItmResultatBmpCopier, [this] { CopierResultat(false); });
    item(MnItmResultatFitExporterBitmap, [this] { ExporterResultatFitEnBmp(); });
    item(MnItmResultatBmpExporterFit, [this] { ExporterResultatBmpEnFit(); });
    item(MnItmResultatFitExporterJpeg, [this] { ExporterResultatJpeg(true); });
    item(MnItmResultatBmpExporterJpeg, [this] { ExporterResultatJpeg(false); });
}
