#include "UTrichromieRVB.h"

#include "ui_UTrichromieRVB.h"

#include "PApplication.h"
#include "PCurseur.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "UArithmetique.h"
#include "UExportation.h"
#include "UExportationJpeg.h"
#include "UFiltresBmp.h"
#include "UImages.h"
#include "UMain.h"
#include "UOutilsFenetres.h"
#include "UParametres.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString MessageTaille = QStringLiteral(
    "La taille de l'image sélectionnée est différente des images déjà sélectionnées pour l'assemblage.");

// Connects a signal to a command that never lets an error out of the slot.
template <class Emetteur, class Signal, class Action>
void Lier(Emetteur* emetteur, Signal signal, QObject* contexte, Action action)
{
    QObject::connect(emetteur, signal, contexte, [action](auto&&...) { ExecuterCommande(action); });
}

int DiviseurPas()
{
    // The settings file does not prevent 0 or less: the steps divide by it.
    return std::max<int32_t>(LireReglSeuilsVisu(), 1);
}

QImage PlanNoir(int32_t largeur, int32_t hauteur)
{
    QImage b(std::max(largeur, 0), std::max(hauteur, 0), QImage::Format_Indexed8);
    b.setColorTable(TablePaletteGris());
    b.fill(0);
    return b;
}

} // namespace

// ---------------------------------------------------------------------------
// Picture control
// ---------------------------------------------------------------------------

TVueImage::TVueImage(QWidget* parent) : QWidget(parent) { resize(0, 0); }

void TVueImage::FixerImage(const QImage& image)
{
    FImage = image;
    resize(image.size());
    update();
}

void TVueImage::paintEvent(QPaintEvent*)
{
    if (FImage.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, FImage);
}

void TVueImage::mouseReleaseEvent(QMouseEvent* evenement)
{
    if (evenement->button() == Qt::LeftButton && rect().contains(evenement->position().toPoint()))
        emit Clic();
    QWidget::mouseReleaseEvent(evenement);
}

// ---------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------

TTrichromieRVB::TTrichromieRVB(QWidget* parent)
    : TMDIChild(GenreTrichromie, parent), ui(std::make_unique<Ui::TTrichromieRVB>())
{
    auto* contenu = new QWidget;
    ui->setupUi(contenu);
    setWidget(contenu);
    Numero = Main ? Main->NouveauNumeroTrichromie() : 1;
    setWindowTitle(QStringLiteral("#") + EntierEnTexte(Numero) + QStringLiteral(" Trichromie RVB"));
    FFiltre = QStringLiteral("Fichier fit (*.fit);;Fichier bitmap (*.bmp)");

    ui->EdtPas->setText(ReelEnTexte(1.0, 1));
    InstallerFiltreSaisie(ui->EdtPas, TGenreSaisie::Reel, 1);
    RelierHautBas(ui->UpDwnPas, [this](TBoutonHautBas bouton) {
        ExecuterCommande([this, bouton] {
            if (ui->EdtPas->text().isEmpty())
                ui->EdtPas->setText(ReelEnTexte(1.0, 1));
            IncrementerEditReel(ui->EdtPas, bouton, 1, 0.1, 0);
        });
    });

    CreerPlan(PlanRouge, QStringLiteral("Rouge"), QStringLiteral("Sélectionner l'image rouge"));
    CreerPlan(PlanVert, QStringLiteral("Vert"), QStringLiteral("Sélectionner l'image verte"));
    CreerPlan(PlanBleu, QStringLiteral("Bleu"), QStringLiteral("Sélectionner l'image blue"));
    ui->DispositionPlans->addStretch(1);

    ImgRVB = new TVueImage;
    ImgRVB->setObjectName(QStringLiteral("ImgRVB"));
    ui->ScrllBxRVB->setWidget(ImgRVB);
    CreerHistoBmp(ImageRVB, [this](const QImage& rendu) {
        RenduRVB = rendu;
        ImgRVB->FixerImage(rendu);
    });

    PppMnImgRGBBmp = new QMenu(this);
    PppMnImgRGBBmp->setObjectName(QStringLiteral("PppMnImgRGBBmp"));
    auto item = [this](QMenu* menu, const char* nom, const QString& texte, void (TTrichromieRVB::*handler)()) {
        QAction* a = menu->addAction(texte);
        a->setObjectName(QString::fromLatin1(nom));
        Lier(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    item(PppMnImgRGBBmp, "MnItmEnregistrerSous", QStringLiteral("Enregistrer sous..."),
         &TTrichromieRVB::BtBtnEnregistrerClick);
    PppMnImgRGBBmp->addSeparator();
    item(PppMnImgRGBBmp, "MnItmOuvrir", QStringLiteral("Ouvrir"), &TTrichromieRVB::MnItmOuvrirClick);
    item(PppMnImgRGBBmp, "MnItmCopier", QStringLiteral("Copier"), &TTrichromieRVB::MnItmCopierClick)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    PppMnImgRGBBmp->addSeparator();
    QMenu* exporter = PppMnImgRGBBmp->addMenu(QStringLiteral("Exporter"));
    exporter->menuAction()->setObjectName(QStringLiteral("MnItmExporter"));
    item(exporter, "MnItmExporterFit", QStringLiteral("Fit"), &TTrichromieRVB::MnItmExporterFitClick);
    item(exporter, "MnItmExporterJpeg", QStringLiteral("Jpeg"), &TTrichromieRVB::MnItmExporterJpegClick);
    ImgRVB->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ImgRVB, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PppMnImgRGBBmp->popup(ImgRVB->mapToGlobal(p)); });

    Lier(ui->BtBtnRazDecalages, &QToolButton::clicked, this, [this] { BtBtnRazDecalagesClick(); });
    Lier(ui->BtBtnTrichromie, &QToolButton::clicked, this, [this] { BtBtnTrichromieClick(); });
    Lier(ui->BtBtnEnregistrer, &QToolButton::clicked, this, [this] { BtBtnEnregistrerClick(); });
    Lier(ui->BtBtnAjusterVertBleu, &QToolButton::clicked, this, [this] { AjusterNiveaux(PlanRouge); });
    Lier(ui->BtBtnAjusterRougeBleu, &QToolButton::clicked, this, [this] { AjusterNiveaux(PlanVert); });
    Lier(ui->BtBtnAjusterRougeVert, &QToolButton::clicked, this, [this] { AjusterNiveaux(PlanBleu); });
    Lier(ui->PgCntrlPrincipal, &QTabWidget::currentChanged, this, [this] { AfficherBoutonsAjuster(); });
    Lier(ui->TrckBrSeuilHautRVB, &QSlider::valueChanged, this, [this] { TrckBrSeuilRVBChange(); });
    Lier(ui->TrckBrSeuilBasRVB, &QSlider::valueChanged, this, [this] { TrckBrSeuilRVBChange(); });
    Lier(ui->ChckBxMasquerSeuils, &QCheckBox::toggled, this, [this] {
        ui->TrckBrSeuilHautRVB->setVisible(ui->ChckBxMasquerSeuils->isChecked());
        ui->TrckBrSeuilBasRVB->setVisible(ui->ChckBxMasquerSeuils->isChecked());
    });

    AfficherDecalages();
    AfficherMiniatures();
    ui->PgCntrlPrincipal->setCurrentIndex(0);
    ui->ChckBxMasquerSeuils->setChecked(true);
    AfficherBoutonsAjuster();
    setMinimumSize(620, 450);
    resize(620, 450);
}

TTrichromieRVB::~TTrichromieRVB() = default;

void TTrichromieRVB::CreerPlan(int p, const QString& nomCouleur, const QString& titreMiniature)
{
    TPlan& plan = Plans[p];
    plan.Index = p;
    plan.Couleur = CouleurIndex(p);
    auto nommer = [&nomCouleur](QWidget* w, const char* prefixe) {
        w->setObjectName(QString::fromLatin1(prefixe) + nomCouleur);
        return w;
    };

    auto* cadre = new QFrame;
    nommer(cadre, "Pnl");
    const char* teinte = p == PlanRouge ? "#ff0000" : p == PlanVert ? "#008000" : "#0000ff";
    cadre->setStyleSheet(QStringLiteral("QFrame#Pnl%1 { border: 2px solid %2; }").arg(nomCouleur, QLatin1String(teinte)));
    auto* grille = new QGridLayout(cadre);
    grille->setContentsMargins(4, 4, 4, 4);
    grille->setSpacing(2);
    grille->setColumnStretch(3, 1);

    plan.ImgMini = new TVueImage;
    nommer(plan.ImgMini, "ImgMini");
    plan.ImgMini->setFixedSize(100, 100);
    plan.ImgMini->setCursor(Qt::PointingHandCursor);
    plan.ImgMini->setToolTip(titreMiniature);
    grille->addWidget(plan.ImgMini, 0, 0, 4, 1);

    plan.ChckBx = new QCheckBox(nomCouleur);
    nommer(plan.ChckBx, "ChckBx");
    grille->addWidget(plan.ChckBx, 0, 1, 1, 3);

    auto hautBas = [&](const char* prefixe, const QString& bulle) {
        auto* s = new QSpinBox;
        nommer(s, prefixe);
        s->setToolTip(bulle);
        s->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        s->setFixedWidth(18);
        return s;
    };
    plan.UpDwnNbBits = hautBas("UpDwnNbBits", {});
    plan.LblNbBits = new QLabel(QStringLiteral("16"));
    nommer(plan.LblNbBits, "LblNbBits");
    grille->addWidget(plan.UpDwnNbBits, 1, 1);
    grille->addWidget(plan.LblNbBits, 1, 2);
    grille->addWidget(new QLabel(QStringLiteral("Bits")), 1, 3);
    plan.UpDwnLum = hautBas("UpDwnLum", QStringLiteral("Luminosité"));
    grille->addWidget(plan.UpDwnLum, 2, 1);
    grille->addWidget(new QLabel(QStringLiteral("L")), 2, 2);
    plan.UpDwnCont = hautBas("UpDwnCont", QStringLiteral("Contraste"));
    grille->addWidget(plan.UpDwnCont, 3, 1);
    grille->addWidget(new QLabel(QStringLiteral("C")), 3, 2);

    auto curseur = [&](const char* prefixe, int position, const QString& bulle) {
        auto* s = new QSlider(Qt::Horizontal);
        nommer(s, prefixe);
        s->setRange(0, 65535);
        s->setSingleStep(100);
        s->setPageStep(1000);
        s->setValue(position);
        s->setToolTip(bulle);
        return s;
    };
    plan.TrckBrSeuilHaut = curseur("TrckBrSeuilHaut", 65535, QStringLiteral("Seuil haut : 65535"));
    plan.TrckBrSeuilBas = curseur("TrckBrSeuilBas", 0, QStringLiteral("Seuil bas : 0"));
    grille->addWidget(plan.TrckBrSeuilHaut, 4, 0, 1, 4);
    grille->addWidget(plan.TrckBrSeuilBas, 5, 0, 1, 4);

    auto* decalages = new QHBoxLayout;
    auto fleche = [&](const char* prefixe, Qt::ArrowType sens) {
        auto* b = new QToolButton;
        nommer(b, prefixe);
        b->setArrowType(sens);
        decalages->addWidget(b);
        return b;
    };
    plan.BtBtnGauche = fleche("BtBtnGauche", Qt::LeftArrow);
    plan.BtBtnHaut = fleche("BtBtnHaut", Qt::UpArrow);
    plan.BtBtnBas = fleche("BtBtnBas", Qt::DownArrow);
    plan.BtBtnDroite = fleche("BtBtnDroite", Qt::RightArrow);
    plan.SttcTxtH = new QLabel;
    nommer(plan.SttcTxtH, "SttcTxtH");
    plan.SttcTxtV = new QLabel;
    nommer(plan.SttcTxtV, "SttcTxtV");
    decalages->addWidget(new QLabel(QStringLiteral("x")));
    decalages->addWidget(plan.SttcTxtH, 1);
    decalages->addWidget(new QLabel(QStringLiteral("y")));
    decalages->addWidget(plan.SttcTxtV, 1);
    grille->addLayout(decalages, 6, 0, 1, 4);
    ui->DispositionPlans->addWidget(cadre);

    plan.Img = new TVueImage;
    nommer(plan.Img, "Img");
    QScrollArea* page = p == PlanRouge ? ui->ScrllBxRouge : p == PlanVert ? ui->ScrllBxVert : ui->ScrllBxBleu;
    page->setWidget(plan.Img);

    Lier(plan.ImgMini, &TVueImage::Clic, this, [this, p] { ImgMiniClick(p); });
    Lier(plan.ChckBx, &QCheckBox::clicked, this, [this, p] { ChckBxClick(p); });
    Lier(plan.TrckBrSeuilHaut, &QSlider::valueChanged, this, [this, p] { TrckBrSeuilChange(p, true); });
    Lier(plan.TrckBrSeuilBas, &QSlider::valueChanged, this, [this, p] { TrckBrSeuilChange(p, false); });
    auto haut = [this](QSpinBox* s, void (TTrichromieRVB::*action)(int, bool), int p) {
        RelierHautBas(s, [this, action, p](TBoutonHautBas b) {
            ExecuterCommande([this, action, p, b] { (this->*action)(p, b == TBoutonHautBas::Suivant); });
        });
    };
    haut(plan.UpDwnLum, &TTrichromieRVB::UpDwnLumClick, p);
    haut(plan.UpDwnCont, &TTrichromieRVB::UpDwnContClick, p);
    haut(plan.UpDwnNbBits, &TTrichromieRVB::UpDwnNbBitsClick, p);
    Lier(plan.BtBtnHaut, &QToolButton::clicked, this, [this, p] { DeplacerPlan(p, 0, -1); });
    Lier(plan.BtBtnBas, &QToolButton::clicked, this, [this, p] { DeplacerPlan(p, 0, 1); });
    Lier(plan.BtBtnGauche, &QToolButton::clicked, this, [this, p] { DeplacerPlan(p, -1, 0); });
    Lier(plan.BtBtnDroite, &QToolButton::clicked, this, [this, p] { DeplacerPlan(p, 1, 0); });

    auto proprietaire = [this, p](const QImage& rendu) {
        Plans[p].Rendu = rendu;
        Plans[p].Img->FixerImage(rendu);
    };
    CreerHistoFit(plan.ImageFit, proprietaire);
    CreerHistoBmp(plan.ImageBmp, proprietaire);
}

// ---------------------------------------------------------------------------
// Planes
// ---------------------------------------------------------------------------

bool TTrichromieRVB::EstPlanFit(int p) const
{
    return !Plans[p].NomFichier.isEmpty() && TypeFichier(Plans[p].NomFichier) == tiFit;
}

bool TTrichromieRVB::EstPlanBmp(int p) const
{
    return !Plans[p].NomFichier.isEmpty() && TypeFichier(Plans[p].NomFichier) == tiBmp;
}

void TTrichromieRVB::LireTailleImage(int p, int32_t& largeur, int32_t& hauteur) const
{
    const TPlan& plan = Plans[p];
    largeur = hauteur = -1;
    if (plan.NomFichier.isEmpty())
        return;
    // Loading took every name that is not a FIT one as a bitmap.
    if (TypeFichier(plan.NomFichier) == tiFit) {
        largeur = LargeurFit(plan.ImageFit);
        hauteur = HauteurFit(plan.ImageFit);
    } else {
        largeur = LargeurBmp(plan.ImageBmp);
        hauteur = HauteurBmp(plan.ImageBmp);
    }
}

bool TTrichromieRVB::ControlerTaille(int32_t largeur, int32_t hauteur)
{
    for (int p = PlanRouge; p <= PlanBleu; ++p) {
        if (Plans[p].NomFichier.isEmpty())
            continue;
        int32_t l = 0, h = 0;
        LireTailleImage(p, l, h);
        if (l == largeur && h == hauteur)
            return true;
        Dialogues::Information(MessageTaille);
        return false;
    }
    return true;
}

void TTrichromieRVB::ConfigurerSeuils(int p)
{
    TPlan& plan = Plans[p];
    const bool fit = EstPlanFit(p);
    DesactiverMaj();
    auto retablir = qScopeGuard([this] { ActiverMaj(); });
    for (QSlider* s : {plan.TrckBrSeuilHaut, plan.TrckBrSeuilBas}) {
        s->setMaximum(fit ? 65535 : 255);
        s->setSingleStep(fit ? 100 : 1);
        s->setPageStep(fit ? 1000 : 4);
    }
    plan.LblNbBits->setText(fit ? QStringLiteral("16") : QStringLiteral("8"));
}

void TTrichromieRVB::FixerNbBits(int p, int bits)
{
    TPlan& plan = Plans[p];
    DesactiverMaj();
    auto retablir = qScopeGuard([this] { ActiverMaj(); });
    plan.LblNbBits->setText(EntierEnTexte(bits));
    // A slider holds 0 .. 2^bits - 1, the values of that many bits.
    const int maximum = (1 << bits) - 1;
    const int pas = std::max(maximum / DiviseurPas(), 1);
    for (QSlider* s : {plan.TrckBrSeuilHaut, plan.TrckBrSeuilBas}) {
        s->setMaximum(maximum);
        s->setSingleStep(pas);
        s->setPageStep(pas);
    }
}

void TTrichromieRVB::PlacerCurseursPlan(int p)
{
    TPlan& plan = Plans[p];
    const bool fit = TypeFichier(plan.NomFichier) == tiFit;
    DesactiverMaj();
    auto retablir = qScopeGuard([this] { ActiverMaj(); });
    plan.TrckBrSeuilHaut->setValue(fit ? plan.ImageFit.SMax : plan.ImageBmp.SMax);
    plan.TrckBrSeuilBas->setValue(fit ? plan.ImageFit.SMin : plan.ImageBmp.SMin);
}

void TTrichromieRVB::RendrePlan(int p)
{
    TPlan& plan = Plans[p];
    const int32_t bas = plan.TrckBrSeuilBas->value(), haut = plan.TrckBrSeuilHaut->value();
    if (TypeFichier(plan.NomFichier) == tiFit)
        FixerSeuilsFit(plan.ImageFit, bas, haut, true, true);
    else
        FixerSeuilsBmp(plan.ImageBmp, bas, haut, true, true);
}

void TTrichromieRVB::InstallerPlan(int p, const QString& nom, THistoFit* fit, THistoBmp* bmp)
{
    TPlan& plan = Plans[p];
    plan.NomFichier = nom;
    // The object of the other kind is emptied: only one is ever used.
    if (fit) {
        TProprietaire proprietaire = plan.ImageFit.Proprietaire;
        plan.ImageFit = std::move(*fit);
        plan.ImageFit.Proprietaire = proprietaire;
        proprietaire = plan.ImageBmp.Proprietaire;
        DetruireHistoBmp(plan.ImageBmp);
        CreerHistoBmp(plan.ImageBmp, proprietaire);
        AfficherFit(plan.ImageFit, true);
    } else {
        TProprietaire proprietaire = plan.ImageBmp.Proprietaire;
        plan.ImageBmp = std::move(*bmp);
        plan.ImageBmp.Proprietaire = proprietaire;
        proprietaire = plan.ImageFit.Proprietaire;
        DetruireHistoFit(plan.ImageFit);
        CreerHistoFit(plan.ImageFit, proprietaire);
        AfficherBmp(plan.ImageBmp, true);
    }
    ConfigurerSeuils(p);
    PlacerCurseursPlan(p);
}

bool TTrichromieRVB::ChoisirFichierPlan(int p)
{
    const QStringList noms = Dialogues::ChoisirFichiersOuverture(this, QStringLiteral("Ouvrir"), FFiltre, {}, true);
    if (noms.isEmpty())
        return false;
    const QString nom = noms.first();
    const bool fit = TypeFichier(nom) == tiFit;
    // Read into work objects first: a file that fails or does not fit leaves
    // the plane as it was.
    THistoFit imageFit;
    THistoBmp imageBmp;
    int32_t largeur = 0, hauteur = 0;
    {
        TSablier sablier;
        if (fit) {
            CreerHistoFit(imageFit);
            LireFichierFit(imageFit, nom);
            largeur = LargeurFit(imageFit);
            hauteur = HauteurFit(imageFit);
        } else {
            CreerHistoBmp(imageBmp);
            ChargerBmp(imageBmp, nom);
            const int format = FormatPixelBmp(imageBmp);
            if (format == pf24bit)
                CopierCanalBmp(imageBmp, imageBmp, Plans[p].Couleur);
            else if (format != pf8bit)
                LeverErreur(QStringLiteral("L'image '%1' n'est ni une image 8 bits ni une image couleur 24 bits.").arg(nom));
            largeur = LargeurBmp(imageBmp);
            hauteur = HauteurBmp(imageBmp);
        }
    }
    if (!ControlerTaille(largeur, hauteur))
        return false;
    InstallerPlan(p, nom, fit ? &imageFit : nullptr, fit ? nullptr : &imageBmp);
    {
        const QSignalBlocker bloque(Plans[p].ChckBx);
        Plans[p].ChckBx->setChecked(true);
    }
    Composer();
    ui->PgCntrlPrincipal->setCurrentIndex(0);
    AfficherBoutonsAjuster();
    FFiltre = fit ? QStringLiteral("Fichier fit (*.fit)") : QStringLiteral("Fichier bitmap (*.bmp)");
    AfficherMiniatures();
    return true;
}

void TTrichromieRVB::ImgMiniClick(int p) { ChoisirFichierPlan(p); }

void TTrichromieRVB::ChckBxClick(int p)
{
    TPlan& plan = Plans[p];
    if (!plan.ChckBx->isChecked() || !plan.NomFichier.isEmpty()) {
        Composer();
        return;
    }
    // Checked without a file: the box follows the choice, even a failed one.
    auto suivre = qScopeGuard([&plan] {
        const QSignalBlocker bloque(plan.ChckBx);
        plan.ChckBx->setChecked(!plan.NomFichier.isEmpty());
    });
    if (!ChoisirFichierPlan(p)) {
        suivre.dismiss();
        {
            const QSignalBlocker bloque(plan.ChckBx);
            plan.ChckBx->setChecked(false);
        }
        Composer();
    }
}

void TTrichromieRVB::ChargerPlansBmpCouleur(const QString& nom)
{
    THistoBmp source;
    {
        TSablier sablier;
        CreerHistoBmp(source);
        ChargerBmp(source, nom);
        const int format = FormatPixelBmp(source);
        if (format != pf8bit && format != pf24bit)
            LeverErreur(QStringLiteral("L'image '%1' n'est ni une image 8 bits ni une image couleur 24 bits.").arg(nom));
        for (int p = PlanRouge; p <= PlanBleu; ++p) {
            THistoBmp plan;
            CreerHistoBmp(plan);
            CopierImageBmp(source, plan);
            CopierCanalBmp(source, plan, Plans[p].Couleur);
            InstallerPlan(p, nom, nullptr, &plan);
            const QSignalBlocker bloque(Plans[p].ChckBx);
            Plans[p].ChckBx->setChecked(true);
        }
    }
    Composer();
    ui->PgCntrlPrincipal->setCurrentIndex(0);
    AfficherBoutonsAjuster();
    FFiltre = QStringLiteral("Fichier bitmap (*.bmp)");
    AfficherMiniatures();
}

// ---------------------------------------------------------------------------
// Composing
// ---------------------------------------------------------------------------

void TTrichromieRVB::Composer()
{
    bool actif = false;
    for (const TPlan& plan : Plans)
        actif = actif || (!plan.NomFichier.isEmpty() && plan.ChckBx->isChecked());
    if (!actif) {
        RenduRVB = QImage();
        ImgRVB->FixerImage(QImage());
        return;
    }
    TSablier sablier;
    int32_t largeur = -1, hauteur = -1;
    for (int p = PlanRouge; p <= PlanBleu && largeur < 0; ++p)
        LireTailleImage(p, largeur, hauteur);
    std::array<QImage, 3> bitmaps;
    for (int p = PlanRouge; p <= PlanBleu; ++p) {
        const TPlan& plan = Plans[p];
        const bool utilise = plan.ChckBx->isChecked() && (EstPlanFit(p) || EstPlanBmp(p)) &&
                             plan.Rendu.format() == QImage::Format_Indexed8 &&
                             plan.Rendu.size() == QSize(largeur, hauteur);
        if (!utilise) {
            bitmaps[p] = PlanNoir(largeur, hauteur);
            continue;
        }
        // The rendering is shared until a shift writes into its copy.
        bitmaps[p] = plan.Rendu;
        if (plan.DecalageY != 0)
            TranslationYBitmap(bitmaps[p], plan.DecalageY);
        if (plan.DecalageX != 0)
            TranslationXBitmap(bitmaps[p], plan.DecalageX);
    }
    if (!CompositionRVB(bitmaps[0], bitmaps[1], bitmaps[2], ImageRVB))
        LeverErreur(QStringLiteral("Les plans rouge, vert et bleu ne peuvent pas être assemblés."));
    if (!ImageComposee)
        FixerSeuilsBmp(ImageRVB, 0, 255, false, true);
    AfficherBmp(ImageRVB, true);
    {
        DesactiverMaj();
        auto retablir = qScopeGuard([this] { ActiverMaj(); });
        const QSignalBlocker h(ui->TrckBrSeuilHautRVB), b(ui->TrckBrSeuilBasRVB);
        ui->TrckBrSeuilHautRVB->setValue(ImageRVB.SMax);
        ui->TrckBrSeuilBasRVB->setValue(ImageRVB.SMin);
        ui->TrckBrSeuilHautRVB->setToolTip(QStringLiteral("Seuil haut : ") + EntierEnTexte(ImageRVB.SMax));
        ui->TrckBrSeuilBasRVB->setToolTip(QStringLiteral("Seuil bas : ") + EntierEnTexte(ImageRVB.SMin));
    }
    ImageComposee = true;
}

void TTrichromieRVB::AfficherMiniatures()
{
    for (TPlan& plan : Plans) {
        QImage dessin(100, 100, QImage::Format_RGB32);
        RemplirBitmapGris(dessin);
        if (!plan.NomFichier.isEmpty() && !plan.Rendu.isNull())
            AjusterDessin(dessin, plan.Rendu);
        plan.ImgMini->FixerImage(dessin);
    }
}

void TTrichromieRVB::AfficherDecalages()
{
    for (TPlan& plan : Plans) {
        plan.SttcTxtH->setText(ReelEnTexte(plan.DecalageX, 1));
        plan.SttcTxtV->setText(ReelEnTexte(plan.DecalageY, 1));
    }
}

void TTrichromieRVB::AfficherBoutonsAjuster()
{
    const int page = ui->PgCntrlPrincipal->currentIndex();
    ui->ChckBxMasquerSeuils->setVisible(page == 0);
    ui->BtBtnAjusterVertBleu->setVisible(page == 1);
    ui->BtBtnAjusterRougeBleu->setVisible(page == 2);
    ui->BtBtnAjusterRougeVert->setVisible(page == 3);
}

// ---------------------------------------------------------------------------
// Plane levels, depth and offsets
// ---------------------------------------------------------------------------

void TTrichromieRVB::TrckBrSeuilChange(int p, bool haut)
{
    TPlan& plan = Plans[p];
    QSlider* s = haut ? plan.TrckBrSeuilHaut : plan.TrckBrSeuilBas;
    s->setToolTip((haut ? QStringLiteral("Seuil haut : ") : QStringLiteral("Seuil bas : ")) + EntierEnTexte(s->value()));
    if (!MajActive || plan.NomFichier.isEmpty())
        return;
    RendrePlan(p);
    ui->PgCntrlPrincipal->setCurrentIndex(p + 1);
    AfficherBoutonsAjuster();
}

void TTrichromieRVB::UpDwnLumClick(int p, bool haut)
{
    TPlan& plan = Plans[p];
    {
        DesactiverMaj();
        auto retablir = qScopeGuard([this] { ActiverMaj(); });
        for (QSlider* s : {plan.TrckBrSeuilHaut, plan.TrckBrSeuilBas}) {
            const int pas = std::max(s->maximum() / DiviseurPas(), 1);
            s->setValue(std::clamp(s->value() + (haut ? -pas : pas), 0, s->maximum()));
        }
    }
    TrckBrSeuilChange(p, true);
}

void TTrichromieRVB::UpDwnContClick(int p, bool haut)
{
    TPlan& plan = Plans[p];
    {
        DesactiverMaj();
        auto retablir = qScopeGuard([this] { ActiverMaj(); });
        const int pasHaut = std::max(plan.TrckBrSeuilHaut->maximum() / DiviseurPas(), 1);
        const int pasBas = std::max(plan.TrckBrSeuilBas->maximum() / DiviseurPas(), 1);
        plan.TrckBrSeuilHaut->setValue(
            std::clamp(plan.TrckBrSeuilHaut->value() + (haut ? -pasHaut : pasHaut), 0, plan.TrckBrSeuilHaut->maximum()));
        plan.TrckBrSeuilBas->setValue(
            std::clamp(plan.TrckBrSeuilBas->value() + (haut ? pasBas : -pasBas), 0, plan.TrckBrSeuilBas->maximum()));
    }
    TrckBrSeuilChange(p, true);
}

void TTrichromieRVB::UpDwnNbBitsClick(int p, bool haut)
{
    TPlan& plan = Plans[p];
    const int n = TexteEnEntierDefaut(plan.LblNbBits->text(), 16);
    const bool bmp = EstPlanBmp(p) || (!plan.NomFichier.isEmpty() && !EstPlanFit(p));
    const int plafond = bmp ? 8 : 16, plancher = bmp ? 4 : 8;
    if (haut) {
        if (n + 2 <= plafond)
            FixerNbBits(p, n + 2);
        return;
    }
    // Refused while a slider stands above what the smaller depth holds.
    const int nouveauMax = (1 << (n - 2)) - 1;
    if (n - 2 >= plancher && plan.TrckBrSeuilHaut->value() <= nouveauMax && plan.TrckBrSeuilBas->value() <= nouveauMax)
        FixerNbBits(p, n - 2);
}

void TTrichromieRVB::DeplacerPlan(int p, int dx, int dy)
{
    const double pas = ConvertirReel(ui->EdtPas->text());
    Plans[p].DecalageX += dx * pas;
    Plans[p].DecalageY += dy * pas;
    AfficherDecalages();
}

void TTrichromieRVB::BtBtnRazDecalagesClick()
{
    for (TPlan& plan : Plans)
        plan.DecalageX = plan.DecalageY = 0;
    AfficherDecalages();
    Composer();
}

void TTrichromieRVB::BtBtnTrichromieClick()
{
    ui->PgCntrlPrincipal->setCurrentIndex(0);
    AfficherBoutonsAjuster();
    Composer();
}

void TTrichromieRVB::AjusterNiveaux(int reference)
{
    TSablier sablier;
    const TPlan& ref = Plans[reference];
    bool ajuste = false;
    for (int p = PlanRouge; p <= PlanBleu; ++p) {
        if (p == reference)
            continue;
        TPlan& plan = Plans[p];
        if (EstPlanFit(reference) && EstPlanFit(p))
            AjusterNiveauFit(plan.ImageFit, MoyenneFit(ref.ImageFit));
        else if (EstPlanBmp(reference) && EstPlanBmp(p))
            AjusterNiveauBmp(plan.ImageBmp, MoyenneBmp(ref.ImageBmp));
        else
            continue;
        {
            DesactiverMaj();
            auto retablir = qScopeGuard([this] { ActiverMaj(); });
            plan.TrckBrSeuilHaut->setValue(ref.TrckBrSeuilHaut->value());
            plan.TrckBrSeuilBas->setValue(ref.TrckBrSeuilBas->value());
        }
        RendrePlan(p);
        ajuste = true;
    }
    if (!ajuste)
        return;
    ui->PgCntrlPrincipal->setCurrentIndex(0);
    AfficherBoutonsAjuster();
    Composer();
}

// ---------------------------------------------------------------------------
// The composite
// ---------------------------------------------------------------------------

void TTrichromieRVB::TrckBrSeuilRVBChange()
{
    ui->TrckBrSeuilHautRVB->setToolTip(QStringLiteral("Seuil haut : ") + EntierEnTexte(ui->TrckBrSeuilHautRVB->value()));
    ui->TrckBrSeuilBasRVB->setToolTip(QStringLiteral("Seuil bas : ") + EntierEnTexte(ui->TrckBrSeuilBasRVB->value()));
    if (!ImageComposee)
        return;
    FixerSeuilsBmp(ImageRVB, ui->TrckBrSeuilBasRVB->value(), ui->TrckBrSeuilHautRVB->value(), true, true);
}

void TTrichromieRVB::BtBtnEnregistrerClick()
{
    if (!ImageComposee)
        return;
    const QString nom = Dialogues::ChoisirFichierEnregistrement(this, QStringLiteral("Enregistrer sous"),
                                                                QStringLiteral("Fichier Bmp (*.bmp)"));
    if (nom.isEmpty())
        return;
    TSablier sablier;
    EnregistrerBmp(ImageRVB, nom, true);
}

void TTrichromieRVB::MnItmOuvrirClick()
{
    if (!ImageComposee || !Main)
        return;
    Main->CreerFenetreImageBmp(ImageRVB);
}

void TTrichromieRVB::MnItmCopierClick()
{
    if (!ImageComposee)
        return;
    QImage copie;
    CopierBitmap(BitmapBmp(ImageRVB), copie);
    QGuiApplication::clipboard()->setImage(copie);
}

void TTrichromieRVB::MnItmExporterFitClick()
{
    if (!ImageComposee)
        return;
    const QString nom = Main ? Main->SvDlgEnregistrerImageSousFit.ExecuterEnregistrement(this)
                             : Dialogues::ChoisirFichierEnregistrement(this, QStringLiteral("Enregistrer sous"),
                                                                       QStringLiteral("Fichier Fit (*.fit)"));
    if (nom.isEmpty())
        return;
    TSablier sablier;
    ExporterBmpEnFit(BitmapBmp(ImageRVB), nom, [](const QString& avis) { Dialogues::Information(avis); });
}

void TTrichromieRVB::MnItmExporterJpegClick()
{
    if (!ImageComposee || !ExportationJpeg)
        return;
    {
        TSablier sablier;
        ExportationJpeg->Exporte = false;
        ExportationJpeg->Initialiser(BitmapBmp(ImageRVB));
    }
    Dialogues::ExecuterModal(*ExportationJpeg);
}
