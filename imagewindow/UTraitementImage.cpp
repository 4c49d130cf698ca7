#include "UTraitementImage.h"

#include "FlatMenu.h"
#include "OnHelpFix.h"
#include "PApplication.h"
#include "PCurseur.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "UAbandonBmp.h"
#include "UArithmetique.h"
#include "UBordures.h"
#include "UDDPGaussien.h"
#include "UDDPNeutre.h"
#include "UDDPPasseBas.h"
#include "UDemandeValeur.h"
#include "UEcritureFit.h"
#include "UEnteteFit.h"
#include "UExportation.h"
#include "UExportationJpeg.h"
#include "UFenetreSeuils.h"
#include "UGaussien.h"
#include "UHelp.h"
#include "UHistogrammeBmp.h"
#include "UHistogrammeFit.h"
#include "UImages.h"
#include "UMain.h"
#include "UMasqueFlou.h"
#include "UOutils.h"
#include "UParametres.h"
#include "UPasseBas.h"
#include "UPasseHaut.h"
#include "URedimensionnement.h"
#include "USelectionTraitementImage.h"
#include "UStatistiques.h"
#include "UTranslationn.h"
#include "ui_UTraitementImage.h"

#include "UFiltresBmp.h"
#include "UOutilsFenetres.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextStream>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {

TFabriqueOngletsImage& FabriqueOnglets()
{
    static TFabriqueOngletsImage fabrique;
    return fabrique;
}

const QString TexteOuverture = QStringLiteral("Ouverture");
const QString TexteNonEnregistree = QStringLiteral("*image non enregistrée*");
const int NiveauxZoom[8] = {25, 50, 100, 125, 150, 200, 300, 500};

QString Entier(int64_t v) { return EntierEnTexte(v); }
QString Reel1(double v) { return ReelEnTexte(v, 1); }
QString SuffixePreservatif(bool p) { return p ? QStringLiteral(" préservatif") : QString(); }

TShiftState EtatSouris(Qt::KeyboardModifiers m, Qt::MouseButtons b)
{
    TShiftState e = 0;
    if (m & Qt::ShiftModifier) e |= ssShift;
    if (m & Qt::AltModifier) e |= ssAlt;
    if (m & Qt::ControlModifier) e |= ssCtrl;
    if (b & Qt::LeftButton) e |= ssLeft;
    if (b & Qt::RightButton) e |= ssRight;
    if (b & Qt::MiddleButton) e |= ssMiddle;
    return e;
}

int Bouton(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton: return BoutonGauche;
    case Qt::RightButton: return BoutonDroit;
    case Qt::MiddleButton: return BoutonMilieu;
    default: return BoutonAutre; // back, forward and the extra buttons
    }
}

uint16_t CodeTouche(int cle)
{
    switch (cle) {
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    default: return 0;
    }
}

// Moves pixels and measures from a freshly loaded object into the window's
// own, which keeps its render target, display bitmap and zoom.
void PrendreFit(THistoFit& cible, THistoFit& lu)
{
    cible.Entete = std::move(lu.Entete);
    cible.Pixels.swap(lu.Pixels);
    cible.Palette = lu.Palette;
    cible.XMax = lu.XMax;
    cible.YMax = lu.YMax;
    cible.Max = lu.Max;
    cible.Min = lu.Min;
    cible.SMin = lu.SMin;
    cible.SMax = lu.SMax;
    cible.TRFT = lu.TRFT;
    cible.SourceNonReproductible = lu.SourceNonReproductible;
}

void PrendreBmp(THistoBmp& cible, THistoBmp& lu)
{
    cible.BitmapSource = lu.BitmapSource;
    cible.Max = lu.Max;
    cible.Min = lu.Min;
    cible.SMin = lu.SMin;
    cible.SMax = lu.SMax;
    cible.TRFT = lu.TRFT;
}

// The reader appends the level cards it computed from the histogram without
// trailing blanks (cards read from the file hold 80 characters), so such a
// card tells the mode it was computed from: SMax = 2 x mode unless clamped.
int ModeDesSeuilsAutomatiques(const THistoFit& image)
{
    bool calculeSMin = false, calculeSMax = false;
    for (const QString& carte : image.Entete) {
        const QString cle = MotCleCarte(carte);
        if (cle == QLatin1String("STL_SMIN"))
            calculeSMin = carte.size() < 80;
        else if (cle == QLatin1String("STL_SMAX"))
            calculeSMax = carte.size() < 80;
    }
    if (!calculeSMin || !calculeSMax || image.SMax >= 65535 || image.SMax < 0 || image.SMax % 2 != 0)
        return -1;
    const int mode = image.SMax / 2;
    return image.SMin == mode / 2 ? mode : -1;
}

} // namespace

// ---------------------------------------------------------------------------
// The picture control

TImageSource::TImageSource(TTraitementImage& fenetre, QWidget* parent) : QWidget(parent), FFenetre(fenetre)
{
    setObjectName(QStringLiteral("ImgSource"));
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(1, 1);
}

void TImageSource::FixerImage(const QImage& image)
{
    Picture = image;
    if (size() != image.size() && !image.isNull())
        resize(image.size());
    update();
}

void TImageSource::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    const QRect zone = e->rect();
    p.fillRect(zone, palette().window());
    if (!Picture.isNull())
        p.drawImage(zone.topLeft(), Picture, zone);
}

void TImageSource::mousePressEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    FFenetre.ImgSourceMouseDown(Bouton(e->button()), EtatSouris(e->modifiers(), e->buttons()), pt.x(), pt.y());
}

void TImageSource::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    FFenetre.ImgSourceMouseMove(EtatSouris(e->modifiers(), e->buttons()), pt.x(), pt.y());
}

void TImageSource::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    FFenetre.ImgSourceMouseUp(Bouton(e->button()), EtatSouris(e->modifiers(), e->buttons()), pt.x(), pt.y());
}

// ---------------------------------------------------------------------------
// Creation and destruction

namespace {

// Room the tab bar and the status bar keep beside their texts.
constexpr int MargeTextes = 8;

// The width at which a document window's title bar shows its caption whole:
// the room the icon and the buttons take at the present width, plus the text.
int LargeurLegendeEntiere(const QMdiSubWindow& f)
{
    QStyleOptionTitleBar option;
    option.initFrom(&f);
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = f.windowFlags();
    option.titleBarState = f.windowState();
    option.text = f.windowTitle();
    const int bord = f.style()->styleHint(QStyle::SH_TitleBar_NoBorder, &option, &f) ? 0 : 4;
    option.rect = QRect(bord, bord, f.width() - 2 * bord,
                        f.style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, &f));
    const QRect texte = f.style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, &f);
    const QFontMetrics police(QApplication::font("QMdiSubWindowTitleBar"));
    return f.width() - texte.width() + police.horizontalAdvance(f.windowTitle()) + 1;
}

} // namespace

void TTraitementImage::InstallerFabriqueOnglets(TFabriqueOngletsImage fabrique)
{
    FabriqueOnglets() = std::move(fabrique);
}

TTraitementImage::TTraitementImage(QWidget* parent)
    : TMDIChild(GenreImage, parent), FUi(std::make_unique<Ui::TTraitementImage>())
{
    auto* contenu = new QWidget(this);
    FUi->setupUi(contenu);
    setWidget(contenu);
    setObjectName(QStringLiteral("TraitementImage"));
    // F1 in the window shows its own topic.
    InstallerGestionnaireAide(this, 1001, AfficherAideContexte);
    PgCtrlPrincipale = FUi->PgCtrlPrincipale;
    // The window follows its picture: pages added later must not impose
    // their minimum size on it.
    PgCtrlPrincipale->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    TbShtSource = FUi->TbShtSource;
    ScrllBxSource = FUi->ScrllBxSource;
    RchEdtHistorique = FUi->RchEdtHistorique;
    BtBtnMasquerHistorique = FUi->BtBtnMasquerHistorique;
    SttsBrPrincipale = FUi->SttsBrPrincipale;
    EdtPourcentZoom2 = FUi->EdtPourcentZoom2;
    EdtPourcentZoom2->hide();
    InstallerFiltreSaisie(EdtPourcentZoom2, TGenreSaisie::Entier);
    FLblStatut = new QLabel(SttsBrPrincipale);
    FLblStatut->setObjectName(QStringLiteral("LblStatut"));
    SttsBrPrincipale->addWidget(FLblStatut, 1);
    SttsBrPrincipale->setAutoFillBackground(true);

    ImgSource = new TImageSource(*this, nullptr);
    ScrllBxSource->setWidget(ImgSource);
    ScrllBxSource->viewport()->setMouseTracking(true);
    ScrllBxSource->viewport()->installEventFilter(this);
    ScrllBxSource->installEventFilter(this);
    TbShtSource->installEventFilter(this);
    ImgSource->installEventFilter(this);
    PgCtrlPrincipale->installEventFilter(this);
    // The window brought back by Ctrl+Tab or the Fenêtre menu gives the
    // focus to the tabs: there too the arrows move the selection.
    PgCtrlPrincipale->tabBar()->installEventFilter(this);
    RchEdtHistorique->setReadOnly(true);
    resize(702, 530);

    // 1. Number from the frame.
    Numero = Main ? Main->NouveauNumeroImage() : 0;
    setWindowTitle(QStringLiteral("#") + Entier(Numero));
    // 2. Popup menus with the zoom submenu.
    CreerMenus();
    // 3. Scroll tracking.
    FixerDefilementTempsReel(LireDefilImgTpsReel());
    // 4. Image objects: the shown ones render into the picture control.
    const TProprietaire cible = [this](const QImage& image) { ImgSource->FixerImage(image); };
    CreerHistoFit(ImageFit, cible);
    CreerHistoFit(ImageFitAnnulation);
    CreerHistoBmp(ImageBmp, cible);
    CreerHistoBmp(ImageBmpAnnulation);
    // 5-6.
    BitmapAffichage = CreerBitmap();
    Selection = TSelectionImage();
    // 7-8.
    InitialiserZoom();
    CocherZoom();
    // 9.
    Positif = true;
    PgCtrlPrincipale->setCurrentWidget(TbShtSource);
    // 10. Preview pages.
    if (FabriqueOnglets())
        FOnglets = FabriqueOnglets()(*this);
    connect(PgCtrlPrincipale, &QTabWidget::currentChanged, this, [this](int index) {
        if (FOnglets)
            ExecuterCommande([&] { FOnglets->PageChangee(index); });
    });
    // 11.
    RchEdtHistorique->hide();
    BtBtnMasquerHistorique->hide();

    connect(BtBtnMasquerHistorique, &QToolButton::clicked, this, Commande([this] { AfficherMasquerHistorique(); }));
    connect(ImgSource, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        PppMnImageSource->popup(ImgSource->mapToGlobal(p));
    });
    connect(RchEdtHistorique, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        PppMnHistorique->popup(RchEdtHistorique->mapToGlobal(p));
    });
    FlatMenu = CreerFlatMenu(this);
}

TTraitementImage::~TTraitementImage()
{
    // However the window goes, no threshold window may outlive its image.
    TFenetreSeuils::OublierImage(&ImageFit);
    TFenetreSeuils::OublierImage(&ImageBmp);
    FOnglets.reset();
    DetruireHistoFit(ImageFit);
    DetruireHistoFit(ImageFitAnnulation);
    DetruireHistoBmp(ImageBmp);
    DetruireHistoBmp(ImageBmpAnnulation);
    FItemsZoom.clear();
    LibererBitmap(BitmapAffichage);
}

void TTraitementImage::CreerMenus()
{
    PppMnImageSource = new QMenu(this);
    PppMnImageSource->setObjectName(QStringLiteral("PppMnImageSource"));
    PppMnImageSource->setToolTipsVisible(true);
    // Shortcuts belong to the frame's actions; the popup only shows them.
    auto item = [](QMenu* menu, const char* nom, const QString& texte, const QString& raccourci,
                   const QString& conseil, std::function<void()> action) {
        QAction* a = menu->addAction(raccourci.isEmpty() ? texte : texte + QLatin1Char('\t') + raccourci);
        a->setObjectName(QString::fromLatin1(nom));
        a->setToolTip(conseil);
        a->setStatusTip(conseil);
        QObject::connect(a, &QAction::triggered, menu, [action] { ExecuterCommande(action); });
        return a;
    };
    auto frame = [](QAction* TMain::*membre) {
        return [membre] {
            if (Main && Main->*membre && (Main->*membre)->isEnabled())
                (Main->*membre)->trigger();
        };
    };
    QMenu* m = PppMnImageSource;
    item(m, "MenuDuppliquer", QStringLiteral("Duppliquer"), QStringLiteral("F3"), QStringLiteral("Duppliquer l'image"),
         [] { if (Main) Main->Image_DuppliquerClick(); });
    m->addSeparator();
    QMenu* h = m->addMenu(QStringLiteral("Histogramme"));
    h->menuAction()->setObjectName(QStringLiteral("MenuHistogrammeeImgSource"));
    item(h, "MenuHistogramme_Afficher", QStringLiteral("Afficher"), QStringLiteral("F2"),
         QStringLiteral("Afficher l'histogramme de l'image"), frame(&TMain::MnItmHistogramme_Afficher));
    item(h, "MenuHistogramme_Automatique", QStringLiteral("Automatique"), QStringLiteral("F7"),
         QStringLiteral("Ajuster l'histogramme automatique"), frame(&TMain::MnItmHistogramme_Automatique));
    item(h, "MenuHistogramme_Logarithmique", QStringLiteral("Logarithmique"), QStringLiteral("F5"),
         QStringLiteral("Ajuster l'histogramme logarithmique"), frame(&TMain::MnItmHistogramme_Logarithmique));
    item(h, "MenuHistogramme_Lineaire", QStringLiteral("Linéaire"), QStringLiteral("F6"),
         QStringLiteral("Ajuster l'histogramme linéaire"), frame(&TMain::MnItmHistogramme_Lineaire));
    item(h, "MenuHistogramme_Exponentiel", QStringLiteral("Exponentiel"), QStringLiteral("Ctrl+F5"),
         QStringLiteral("Ajuster l'histogramme exponentiel"), frame(&TMain::MnItmHistogramme_Exponentiel));
    h->addSeparator();
    item(h, "MenuHistogramme_AppliquerDUneImage", QStringLiteral("Appliquer d'une image"), {},
         QStringLiteral("Appliquer l'histogramme d'une image sur l'image sélectionnée"),
         frame(&TMain::MnItmHistogramme_AppliquerDUneImage));
    item(h, "MenuHistogramme_AppliquerAuxImages", QStringLiteral("Appliquer aux images"), {},
         QStringLiteral("Appliquer l'histogramme de l'image sélectionnée aux autres images"),
         frame(&TMain::MnItmHistogramme_AppliquerAuxImages));
    m->addSeparator();
    item(m, "MenuCopierImgSource", QStringLiteral("Copier"), QStringLiteral("Ctrl+C"),
         QStringLiteral("Copier dans le Presse-papiers"), [this] { MenuCopierImgSourceClick(); });
    item(m, "MenuAnnulerRestaurerImgSource", QStringLiteral("Annuler/Restaurer"), QStringLiteral("F9"),
         QStringLiteral("Annuler/Restaurer la dernière opération"), [this] { MenuAnnulerRestaurerImgSourceClick(); });
    m->addSeparator();
    QMenu* s = m->addMenu(QStringLiteral("Sélection"));
    s->menuAction()->setObjectName(QStringLiteral("MenuSelection"));
    item(s, "MenuSelection_Aucune", QStringLiteral("Aucune"), {}, QStringLiteral("Annuler la sélection"),
         [this] { MenuSelection_AucuneClick(); });
    item(s, "MenuSelection_Centre", QStringLiteral("Centre"), {}, QStringLiteral("Sélectionner le centre"),
         [this] { MenuSelection_CentreClick(); });
    m->addSeparator();
    item(m, "MenuEnregistrerImgSource", QStringLiteral("Enregistrer"), QStringLiteral("Ctrl+S"),
         QStringLiteral("Enregistrer l'image"), [this] { MenuEnregistrerSousImgSourceClick(); });
    item(m, "MenuEnregistrerSousImgSource", QStringLiteral("Enregistrer sous..."), {},
         QStringLiteral("Enregistrer l'image sous un nom différent..."), [this] { MenuEnregistrerSousImgSourceClick(); });
    MenuExporterImgSource = m->addMenu(QStringLiteral("Exporter"));
    MenuExporterImgSource->menuAction()->setObjectName(QStringLiteral("MenuExporterImgSource"));
    item(MenuExporterImgSource, "MenuExporterFit", QStringLiteral("Fit"), {},
         QStringLiteral("Exporter l'image au format fit"), [this] { ExporterFit(); });
    item(MenuExporterImgSource, "MenuExporterBmp", QStringLiteral("Bmp"), {},
         QStringLiteral("Exporter l'image au format bitmap"), [this] { ExporterBmp(); });
    item(MenuExporterImgSource, "MenuExporterJpeg", QStringLiteral("Jpeg"), {},
         QStringLiteral("Exporter l'image au format Jpeg"), [this] { ExporterJpeg(); });
    m->addSeparator();
    item(m, "MenuRedimensionnement", QStringLiteral("Redimensionnement"), {},
         QStringLiteral("Modifier les dimensions de l'image"), frame(&TMain::MnItmRedimensionnement));
    item(m, "MenuBorduresImgSource", QStringLiteral("Bordures"), {}, QStringLiteral("Découper l'image"),
         frame(&TMain::MnItmBordures));
    m->addSeparator();
    MenuZoomImgSource = m->addMenu(QStringLiteral("Zoom"));
    MenuZoomImgSource->menuAction()->setObjectName(QStringLiteral("MenuZoomImgSource"));
    FItemsZoom = CreerMenuZoom(MenuZoomImgSource);
    for (QAction* a : FItemsZoom) {
        if (a->isSeparator())
            continue;
        a->setCheckable(a->data().toInt() > 0);
        // The frame owns the shortcuts; this copy only shows them.
        if (!a->shortcut().isEmpty()) {
            a->setText(a->text() + QLatin1Char('\t') + a->shortcut().toString(QKeySequence::NativeText));
            a->setShortcut(QKeySequence());
        }
        if (Main)
            Main->LierItemZoom(a);
    }
    item(m, "MenuPositifNegatifImgSource", QStringLiteral("Positif/Négatif"), {},
         QStringLiteral("Inverser les valeurs de l'image"), [this] { InverserPositifNegatif(); });
    m->addSeparator();
    QMenu* f = m->addMenu(QStringLiteral("Filtre"));
    f->menuAction()->setObjectName(QStringLiteral("MenuFiltreImgSource"));
    item(f, "MenuPasseBasImgSource", QStringLiteral("Passe bas"), {}, QStringLiteral("Appliquer un filtre passe bas"),
         [this] { MenuPasseBasImgSourceClick(); });
    item(f, "MenuPasseHautImgSource", QStringLiteral("Passe haut"), {}, QStringLiteral("Appliquer un filtre passe haut"),
         [this] { MenuPasseHautImgSourceClick(); });
    item(f, "MenuGaussienImgSource", QStringLiteral("Gaussien"), {}, QStringLiteral("Appliquer un filtre gaussien"),
         [this] { MenuGaussienImgSourceClick(); });
    item(f, "MenuMasqueFlouImgSource", QStringLiteral("Masque flou"), {},
         QStringLiteral("Appliquer un filtre masque flou"), [this] { MenuMasqueFlouImgSourceClick(); });
    item(f, "MenuMediane3x3ImgSource", QStringLiteral("Médiane 3x3"), {},
         QStringLiteral("Appliquer un filtre médiane 3x3"), [this] { AppliquerMediane3x3(); });
    f->addSeparator();
    item(f, "MenuConvolutionImgSource", QStringLiteral("Convolution"), {},
         QStringLiteral("Appliquer un filtre de type convolution"), [this] { MenuConvolutionImgSourceClick(); });
    f->addSeparator();
    QMenu* d = f->addMenu(QStringLiteral("DDP"));
    d->menuAction()->setObjectName(QStringLiteral("MenuDDPImgSource"));
    item(d, "MenuDDPNeutreImgSource", QStringLiteral("Neutre"), {}, QStringLiteral("Appliquer un filtre DDP Neutre"),
         frame(&TMain::MnItmDDPNeutre));
    item(d, "MenuDDPPasseBasImgSource", QStringLiteral("Passe bas"), {},
         QStringLiteral("Appliquer un filtre DDP Passe bas"), frame(&TMain::MnItmDDPPasseBas));
    item(d, "MenuDDPGaussienImgSource", QStringLiteral("Gaussien"), {},
         QStringLiteral("Appliquer un filtre DDP Gaussien"), frame(&TMain::MnItmDDPGaussien));
    m->addSeparator();
    MenuStatistiquesImgSource = item(m, "MenuStatistiquesImgSource", QStringLiteral("Statistiques"), {},
                                     QStringLiteral("Afficher les statistiques de l'image"),
                                     frame(&TMain::MnItmStatistiques));
    item(m, "MenuAfficherMasquerHistoriqueImgSource", QStringLiteral("Afficher/Masquer Historique"),
         QStringLiteral("F4"), QStringLiteral("Afficher ou masquer l'historique des modifications de l'image"),
         [this] { AfficherMasquerHistorique(); });
    m->addSeparator();
    item(m, "MenuAjusterTailleFenetreImgSource", QStringLiteral("Ajuster la fenêtre à la taille de l'image"),
         QStringLiteral("Ctrl+M"), QStringLiteral("Ajuster la taille de la fenêtre à la taille de l'image"),
         [this] { AjusteTailleFenetreALImageSource(); });

    PppMnHistorique = new QMenu(this);
    PppMnHistorique->setObjectName(QStringLiteral("PppMnHistorique"));
    item(PppMnHistorique, "MenuCopierHistorique", QStringLiteral("Copier"), {}, QStringLiteral("Copier l'historique"),
         [this] { CopierHistorique(); });
    item(PppMnHistorique, "MenuEnregistrerHistorique", QStringLiteral("Enregistrer sous..."), {},
         QStringLiteral("Enregistrer l'historique sous..."), [this] { EnregistrerHistoriqueSous(); });
    item(PppMnHistorique, "MenuMasquerHistorique", QStringLiteral("Masquer"), QStringLiteral("F4"),
         QStringLiteral("Masquer l'historique"), [this] { AfficherMasquerHistorique(); });
}

// ---------------------------------------------------------------------------
// Status bar

QString TTraitementImage::TexteStatut() const { return FLblStatut->text(); }

void TTraitementImage::FixerTexteStatut(const QString& texte)
{
    FLblStatut->setText(texte);
}

void TTraitementImage::FixerCouleurStatut(const QColor& couleur)
{
    QPalette p = SttsBrPrincipale->palette();
    p.setColor(QPalette::Window, couleur.isValid() ? couleur : QApplication::palette().color(QPalette::Window));
    SttsBrPrincipale->setPalette(p);
}

void TTraitementImage::MarquerSelection(bool marquer)
{
    if (marquer) {
        FixerCouleurStatut(CouleurEnQColor(10790143));
        FixerTexteStatut(QStringLiteral("Sélection"));
    } else {
        FixerCouleurStatut(QColor());
        AfficherInfoImage();
    }
}

// ---------------------------------------------------------------------------
// Opening and loading

void TTraitementImage::OuvrirImage(const QString& nomFichier, bool redemarrerHistorique)
{
    if (Main && Main->ExisteHistogramme(Numero))
        Main->FermerHistogrammes(Numero);
    const bool dejaCharge = TypeImage != 0;
    NomFichier = nomFichier;
    setWindowTitle(QStringLiteral("#") + Entier(Numero) + QStringLiteral(" [") + nomFichier + QLatin1Char(']'));
    try {
        ChargerImage();
    } catch (...) {
        // A window that never held an image does not stay half-open.
        if (!dejaCharge) {
            TypeImage = 0;
            Modifiee = false;
            close();
        }
        throw;
    }
    if (redemarrerHistorique && TypeImage != 0)
        DemarrerHistorique();
}

void TTraitementImage::ChargerImage()
{
    const int32_t type = FTypeImpose != tiAutre ? FTypeImpose : TypeFichier(NomFichier);
    if (type == tiAutre) {
        Dialogues::Information(QStringLiteral("#") + Entier(Numero) + QStringLiteral(" [") + NomFichier +
                               QStringLiteral("]\n\nFormat de fichier inconnu."));
        TypeImage = 0;
        Modifiee = false;
        close();
        return;
    }
    // Read first: a file that fails leaves the window's image as it was.
    if (type == tiFit) {
        THistoFit lu;
        CreerHistoFit(lu);
        LireFichierFit(lu, NomFichier);
        TypeImage = type;
        PrendreFit(ImageFit, lu);
        DetruireHistoFit(lu);
        FModeFit = ModeDesSeuilsAutomatiques(ImageFit);
    } else {
        THistoBmp lu;
        CreerHistoBmp(lu);
        ChargerBmp(lu, NomFichier);
        TypeImage = type;
        PrendreBmp(ImageBmp, lu);
        DetruireHistoBmp(lu);
        FModeBmp = -1;
    }
    Selection = TSelectionImage();
    InitialiserZoom();
    CocherZoom();
    Positif = true;
    AnnulationEgaleImage(true);
    AfficherImage(true, true);
    PreviensMenus();
    MajLibellesSelection();
    AjusteTailleFenetreALImageSource();
    Modifiee = false;
}

// ---------------------------------------------------------------------------
// Rendering

void TTraitementImage::AfficherImage(bool dessinerSelection, bool afficherInfo)
{
    if (TypeImage == tiFit)
        AfficherFit(ImageFit, Positif);
    else if (TypeImage == tiBmp)
        AfficherBmp(ImageBmp, Positif);
    else
        return;
    if (dessinerSelection)
        DessinerSelection();
    ImgSource->update();
    if (afficherInfo)
        AfficherInfoImage();
    FEtatAffiche = EtatAffichage();
}

TTraitementImage::TEtatAffiche TTraitementImage::EtatAffichage() const
{
    TEtatAffiche e;
    e.Type = TypeImage;
    if (TypeImage == tiFit) {
        e.SMin = ImageFit.SMin;
        e.SMax = ImageFit.SMax;
        e.TRFT = ImageFit.TRFT;
        e.Zoom = ImageFit.Zoom;
        e.Pixels = ImageFit.Pixels.data();
    } else if (TypeImage == tiBmp) {
        e.SMin = ImageBmp.SMin;
        e.SMax = ImageBmp.SMax;
        e.TRFT = ImageBmp.TRFT;
        e.Zoom = ImageBmp.Zoom;
        e.CleSource = ImageBmp.BitmapSource.cacheKey();
    }
    e.Positif = Positif;
    e.Selection[0] = Selection.Genre;
    e.Selection[1] = Selection.X;
    e.Selection[2] = Selection.Y;
    e.Selection[3] = Selection.Largeur;
    e.Selection[4] = Selection.Hauteur;
    // Any drawing on the shown picture changes its key.
    e.CleImage = ImgSource->Picture.cacheKey();
    e.Generation = FGenerationPixels;
    return e;
}

void TTraitementImage::AfficherImageSource()
{
    if (TypeImage != tiAutre && EtatAffichage() == FEtatAffiche)
        return;
    AfficherImage(true, true);
}

void TTraitementImage::DessinerSelection()
{
    if (Selection.Genre == SelectionPoint)
        DessinerCroixPointillee(ImgSource->Picture, Selection.X, Selection.Y, clRouge);
    else if (Selection.Genre == SelectionRectangle)
        DessinerCadre(ImgSource->Picture, Selection.X, Selection.Y, Selection.Largeur, Selection.Hauteur, clRouge);
}

int TTraitementImage::ModeFitCache()
{
    if (FModeFit < 0)
        FModeFit = ModeHistogrammeFit(ImageFit);
    return FModeFit;
}

int TTraitementImage::ModeBmpCache()
{
    if (FModeBmp < 0)
        FModeBmp = ModeHistogrammeBmp(ImageBmp, clVert);
    return FModeBmp;
}

void TTraitementImage::PixelsModifies()
{
    ++FGenerationPixels;
    FModeFit = -1;
    FModeBmp = -1;
}

// The summary of the image's object; the mode is kept until the pixels
// change, so a zoom or a level change does not count the histogram again.
void TTraitementImage::AfficherInfoImage()
{
    if (TypeImage == tiFit) {
        const THistoFit& i = ImageFit;
        FixerTexteStatut(QStringLiteral("L=") + Entier(LargeurFit(i)) + QStringLiteral(" H=") + Entier(HauteurFit(i)) +
                         QStringLiteral(" m=") + Entier(MiniArrondiFit(i)) + QStringLiteral(" M=") +
                         Entier(MaxiArrondiFit(i)) + QStringLiteral(" B=") + Entier(ModeFitCache()) +
                         QStringLiteral("   Visu ") + Entier(i.SMin) + QLatin1Char('-') + Entier(i.SMax) +
                         QLatin1Char(' ') + NomCourbe(i.TRFT));
    } else if (TypeImage == tiBmp) {
        const THistoBmp& i = ImageBmp;
        FixerTexteStatut(QStringLiteral("L=") + Entier(LargeurBmp(i)) + QStringLiteral(" H=") + Entier(HauteurBmp(i)) +
                         QStringLiteral(" m=") + Entier(i.Min) + QStringLiteral(" M=") + Entier(i.Max) +
                         QStringLiteral(" Bv=") + Entier(ModeBmpCache()) + QStringLiteral("   Visu ") +
                         Entier(i.SMin) + QLatin1Char('-') + Entier(i.SMax) + QLatin1Char(' ') + NomCourbe(i.TRFT));
    }
}

void TTraitementImage::PreviensMenus()
{
    if (Main)
        Main->UpdateMenuItems();
}

void TTraitementImage::AjusteTailleFenetreALImageSource()
{
    if (isMaximized())
        return;
    const QSize image = ImgSource->Picture.isNull() ? QSize(0, 0) : ImgSource->Picture.size();
    int hauteur = image.height() + 85;
    int largeur = image.width() + 20;
    const QWidget* cadre = Main ? static_cast<const QWidget*>(Main) : window();
    if (cadre && cadre != this) {
        const QSize c = cadre->frameGeometry().size();
        if (hauteur >= c.height() - 90)
            hauteur = c.height() - 90;
        if (largeur >= c.width() - 50)
            largeur = c.width() - 50;
    }
    // A small picture's window is still wide enough to show its caption,
    // its tabs and its status line whole, and never narrower than the
    // system's smallest window.
    const int bords = contentsMargins().left() + contentsMargins().right() + MargeTextes;
    const QSize minimum = minimumSizeHint();
    largeur = std::max({largeur, minimum.width(), LargeurLegendeEntiere(*this),
                        bords + PgCtrlPrincipale->tabBar()->sizeHint().width(), bords + FLblStatut->sizeHint().width()});
    hauteur = std::max(hauteur, minimum.height());
    if (isMinimized())
        showNormal();
    // The frame's document area is the last bound: the close button and the
    // status line stay in sight.
    FixerTailleDansZone(*this, largeur, hauteur);
}

void TTraitementImage::FixerDefilementTempsReel(bool suivre)
{
    ScrllBxSource->horizontalScrollBar()->setTracking(suivre);
    ScrllBxSource->verticalScrollBar()->setTracking(suivre);
}

void TTraitementImage::AfficherPageSource()
{
    PgCtrlPrincipale->setCurrentWidget(TbShtSource);
}

// ---------------------------------------------------------------------------
// Zoom

QString TTraitementImage::TexteZoomDocument() const { return EdtPourcentZoom2->text(); }

int32_t TTraitementImage::ZoomCourant() const
{
    if (TypeImage == tiFit)
        return ImageFit.Zoom;
    if (TypeImage == tiBmp)
        return ImageBmp.Zoom;
    return 100;
}

double TTraitementImage::FacteurZoom() const
{
    return TypeImage == tiAutre ? 0.0 : ZoomCourant() / 100.0;
}

int32_t TTraitementImage::EcranVersImage(int32_t v) const
{
    const int32_t zoom = ZoomCourant() > 0 ? ZoomCourant() : 100;
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(v) * 100.0 / zoom));
}

void TTraitementImage::InitialiserZoom()
{
    EdtPourcentZoom2->setText(QStringLiteral("100%"));
    if (TypeImage == tiFit)
        FixerZoomFit(ImageFit, 100, false, Positif);
    else if (TypeImage == tiBmp)
        FixerZoomBmp(ImageBmp, 100, false, Positif);
}

void TTraitementImage::CocherZoom()
{
    const QString texte = EdtPourcentZoom2->text();
    const int niveau = TexteEnEntierDefaut(texte.left(texte.size() - 1), -1);
    for (QAction* a : MenuZoomImgSource->actions()) {
        if (a->isSeparator())
            continue;
        a->setChecked(false);
        bool ok = false;
        const int tag = a->data().toInt(&ok);
        if (ok && tag != 0 && tag == niveau)
            a->setChecked(true);
    }
}

QString TTraitementImage::NormaliserTexteZoom(const QString& texte) const
{
    QString t = texte;
    if (t.isEmpty())
        t = Entier(ZoomCourant());
    if (!t.endsWith(QLatin1Char('%')))
        t += QLatin1Char('%');
    const int32_t valeur = ConvertirEntier(t.left(t.size() - 1));
    return Entier(BornerEntier(valeur, 5, 800)) + QLatin1Char('%');
}

void TTraitementImage::EdtPourcentZoomKeyDown(uint16_t& key, TShiftState etat)
{
    if (Selection.Genre != SelectionAucune)
        FormKeyDown(key, etat);
    if (key == VK_RETURN)
        AppliquerZoomSaisi();
}

void TTraitementImage::AppliquerZoomSaisi()
{
    const QString texte = NormaliserTexteZoom(EdtPourcentZoom2->text());
    EdtPourcentZoom2->setText(texte);
    const int32_t zoom = ConvertirEntier(texte.left(texte.size() - 1));
    if (TypeImage == tiFit)
        FixerZoomFit(ImageFit, zoom, false, Positif);
    else if (TypeImage == tiBmp)
        FixerZoomBmp(ImageBmp, zoom, false, Positif);
    Selection = TSelectionImage();
    AfficherImage(true, true);
    CocherZoom();
    if (Main) {
        Main->CocherZoom(texte);
        Main->UpdateMenuItems();
    }
    MajLibellesSelection();
}

void TTraitementImage::ZoomParTexte(const QString& texte)
{
    EdtPourcentZoom2->setText(texte);
    uint16_t key = VK_RETURN;
    EdtPourcentZoomKeyDown(key, 0);
}

void TTraitementImage::ZoomPasAPas(int direction)
{
    const bool plusPetit = direction == 1;
    QString texte = EdtPourcentZoom2->text();
    if (texte.isEmpty())
        return;
    if (!texte.endsWith(QLatin1Char('%')))
        texte += QLatin1Char('%');
    EdtPourcentZoom2->setText(texte);
    const int32_t z = ConvertirEntier(texte.left(texte.size() - 1));
    int niveau = -1;
    if (plusPetit) {
        if (z <= NiveauxZoom[0])
            return;
        for (int i = 7; i >= 0 && niveau < 0; --i)
            if (NiveauxZoom[i] < z)
                niveau = NiveauxZoom[i];
    } else {
        if (z >= NiveauxZoom[7])
            return;
        for (int i = 0; i < 8 && niveau < 0; ++i)
            if (NiveauxZoom[i] > z)
                niveau = NiveauxZoom[i];
    }
    ZoomParTexte(Entier(niveau) + QLatin1Char('%'));
}

// ---------------------------------------------------------------------------
// Closing

bool TTraitementImage::ConfirmerFermeture()
{
    if (!Modifiee)
        return true;
    const QString nom = NomFichier.isEmpty() ? TexteNonEnregistree : NomFichier;
    return Dialogues::Question(QStringLiteral("#") + Entier(Numero) + QStringLiteral(" [") + nom +
                               QStringLiteral("]\n\nL'image n'a pas été enregistrée. Fermer quand même ?"));
}

void TTraitementImage::FormClose(TActionFermeture& action)
{
    TMDIChild::FormClose(action);
    if (!ConfirmerFermeture()) {
        action = TActionFermeture::Aucune;
        return;
    }
    // Once the question is answered nothing may keep the window open: a
    // refused write of the preview values is shown, then the window closes.
    if (FOnglets)
        ExecuterCommande([this] { FOnglets->EnregistrerParametres(); });
    if (Main && Main->ExisteHistogramme(Numero))
        Main->FermerHistogrammes(Numero);
}

// ---------------------------------------------------------------------------
// Layout and events

void TTraitementImage::PlacerHistorique()
{
    RchEdtHistorique->move(10, 10);
    BtBtnMasquerHistorique->move(RchEdtHistorique->x() + RchEdtHistorique->width() - BtBtnMasquerHistorique->width(),
                                 RchEdtHistorique->y());
    RchEdtHistorique->raise();
    BtBtnMasquerHistorique->raise();
}

bool TTraitementImage::eventFilter(QObject* objet, QEvent* e)
{
    if (objet == TbShtSource && e->type() == QEvent::Resize) {
        ScrllBxSource->setGeometry(TbShtSource->rect());
        PlacerHistorique();
    } else if (objet == ScrllBxSource->viewport() && e->type() == QEvent::MouseMove) {
        ScrllBxSourceMouseMove();
    } else if (e->type() == QEvent::KeyPress && (objet == ImgSource || objet == ScrllBxSource ||
                                                 objet == PgCtrlPrincipale || objet == PgCtrlPrincipale->tabBar())) {
        auto* k = static_cast<QKeyEvent*>(e);
        uint16_t cle = CodeTouche(k->key());
        if (cle >= VK_LEFT && cle <= VK_DOWN && TypeImage != tiAutre) {
            bool consomme = false;
            ExecuterCommande([&] {
                FormKeyDown(cle, EtatSouris(k->modifiers(), Qt::NoButton));
                consomme = cle == 0;
            });
            if (consomme)
                return true;
        }
    }
    return TMDIChild::eventFilter(objet, e);
}

void TTraitementImage::keyPressEvent(QKeyEvent* e)
{
    uint16_t cle = CodeTouche(e->key());
    if (cle >= VK_LEFT && cle <= VK_DOWN && TypeImage != tiAutre) {
        FormKeyDown(cle, EtatSouris(e->modifiers(), Qt::NoButton));
        if (cle == 0)
            return;
    }
    TMDIChild::keyPressEvent(e);
}

// ---------------------------------------------------------------------------
// Selection, mouse, keyboard

void TTraitementImage::MajLibellesSelection()
{
    const bool rectangle = Selection.Genre == SelectionRectangle;
    MenuExporterImgSource->setTitle(rectangle ? QStringLiteral("Exporter la sélection") : QStringLiteral("Exporter"));
    MenuStatistiquesImgSource->setText(rectangle ? QStringLiteral("Statistiques de la sélection")
                                                 : QStringLiteral("Statistiques"));
}

void TTraitementImage::ImgSourceMouseDown(int bouton, TShiftState, int x, int y)
{
    if (bouton == BoutonGauche && TypeImage != tiAutre) {
        BitmapAffichage = ImgSource->Picture.copy();
        EdtPourcentZoom2->setText(NormaliserTexteZoom(EdtPourcentZoom2->text()));
        if (Selection.Genre != SelectionAucune) {
            Selection = TSelectionImage();
            AfficherImage(true, true);
        } else {
            Selection.Genre = SelectionPoint;
            Selection.X = x;
            Selection.Y = y;
            Selection.Largeur = 0;
            Selection.Hauteur = 0;
            AfficherImage(true, true);
            FixerTexteStatut(QStringLiteral("x = ") + Entier(x) + QStringLiteral(" y = ") + Entier(y));
        }
    }
    PreviensMenus();
    MajLibellesSelection();
}

void TTraitementImage::ImgSourceMouseMove(TShiftState etat, int x, int y)
{
    if (TypeImage == tiAutre)
        return;
    const int32_t ix = EcranVersImage(x), iy = EcranVersImage(y);
    QString texte = QStringLiteral("x=") + Entier(ix) + QStringLiteral(" y=") + Entier(iy);
    if (TypeImage == tiFit && !ImageFit.Pixels.empty()) {
        const double v = ValeurPixelFit(ImageFit, BornerEntier(ix, 0, ImageFit.XMax), BornerEntier(iy, 0, ImageFit.YMax));
        texte += QStringLiteral(" valeur=") + ReelEnTexte(v, 0);
    }
    if (Main)
        Main->statusBar()->showMessage(texte);

    if (etat != ssLeft || Selection.Genre != SelectionPoint || (x == Selection.X && y == Selection.Y))
        return;
    QImage& affichage = ImgSource->Picture;
    if (affichage.isNull() || BitmapAffichage.size() != affichage.size())
        return;
    const int gauche = std::max(std::min(Selection.X, x), 0);
    const int haut = std::max(std::min(Selection.Y, y), 0);
    const int droite = std::min(std::max(Selection.X, x), affichage.width() - 1);
    const int bas = std::min(std::max(Selection.Y, y), affichage.height() - 1);
    affichage = BitmapAffichage.copy();
    const TCouleur couleur = affichage.format() == QImage::Format_Indexed8 ? clNoir : clRouge;
    DessinerCadre(affichage, gauche + (droite - gauche) / 2, haut + (bas - haut) / 2, droite - gauche, bas - haut,
                  couleur);
    ImgSource->update();
}

void TTraitementImage::ImgSourceMouseUp(int bouton, TShiftState, int x, int y)
{
    // Only the left button draws: the right one belongs to the popup menu, the
    // others leave the selection alone.
    if (bouton != BoutonGauche || Selection.Genre != SelectionPoint || (x == Selection.X && y == Selection.Y))
        return;
    const QImage& affichage = ImgSource->Picture;
    const int gauche = std::max(std::min(Selection.X, x), 0);
    const int haut = std::max(std::min(Selection.Y, y), 0);
    const int droite = std::min(std::max(Selection.X, x), affichage.width() - 1);
    const int bas = std::min(std::max(Selection.Y, y), affichage.height() - 1);
    Selection.Genre = SelectionRectangle;
    Selection.Largeur = std::max(droite - gauche, 0);
    Selection.Hauteur = std::max(bas - haut, 0);
    Selection.X = (gauche + droite) / 2;
    Selection.Y = (haut + bas) / 2;
    AfficherImage(true, true);
    PreviensMenus();
    MajLibellesSelection();
}

void TTraitementImage::ScrllBxSourceMouseMove()
{
    if (Main)
        Main->statusBar()->showMessage(QString());
}

void TTraitementImage::FormKeyDown(uint16_t& key, TShiftState etat)
{
    if (key < VK_LEFT || key > VK_DOWN || Selection.Genre == SelectionAucune)
        return;
    const TShiftState touches = etat & (ssShift | ssAlt | ssCtrl);
    const int pas = (touches == ssCtrl || touches == (ssAlt | ssCtrl)) ? 10 : 1;
    const int W = ImgSource->Picture.width(), H = ImgSource->Picture.height();
    TSelectionImage& s = Selection;
    if (touches == ssAlt || touches == (ssAlt | ssCtrl)) {
        if (s.Genre != SelectionRectangle)
            return;
        const int gauche = s.X - s.Largeur / 2, haut = s.Y - s.Hauteur / 2;
        bool change = false;
        switch (key) {
        case VK_LEFT:
            if (s.Largeur - pas >= 0) {
                s.Largeur -= pas;
                s.X = gauche + s.Largeur / 2;
                change = true;
            }
            break;
        case VK_UP:
            if (s.Hauteur - pas >= 0) {
                s.Hauteur -= pas;
                s.Y = haut + s.Hauteur / 2;
                change = true;
            }
            break;
        case VK_RIGHT:
            if (gauche + s.Largeur + pas < W) {
                s.Largeur += pas;
                s.X = gauche + s.Largeur / 2;
                change = true;
            }
            break;
        case VK_DOWN:
            if (haut + s.Hauteur + pas < H) {
                s.Hauteur += pas;
                s.Y = haut + s.Hauteur / 2;
                change = true;
            }
            break;
        }
        if (change)
            key = 0;
    } else {
        // A move never goes against the key: a rectangle already against an
        // edge (or wider than the picture) stays where it is.
        switch (key) {
        case VK_LEFT:
            s.X = std::min(s.X, std::max(s.X - pas, s.Largeur / 2));
            break;
        case VK_UP:
            s.Y = std::min(s.Y, std::max(s.Y - pas, s.Hauteur / 2));
            break;
        case VK_RIGHT:
            s.X = std::max(s.X, std::min(s.X + pas, W - s.Largeur / 2 - 2));
            break;
        case VK_DOWN:
            s.Y = std::max(s.Y, std::min(s.Y + pas, H - s.Hauteur / 2 - 2));
            break;
        }
        key = 0;
    }
    AfficherImage(true, false);
}

void TTraitementImage::MenuSelection_AucuneClick()
{
    if (Selection.Genre != SelectionAucune) {
        Selection = TSelectionImage();
        AfficherImage(true, true);
    }
    PreviensMenus();
    MajLibellesSelection();
}

void TTraitementImage::MenuSelection_CentreClick()
{
    Selection.Genre = SelectionPoint;
    Selection.X = ImgSource->Picture.width() / 2;
    Selection.Y = ImgSource->Picture.height() / 2;
    Selection.Largeur = 0;
    Selection.Hauteur = 0;
    AfficherImage(true, true);
    PreviensMenus();
    MajLibellesSelection();
}

void TTraitementImage::LireSelection(TSelectionImage& selection) const { selection = Selection; }

void TTraitementImage::FixerSelection(const TSelectionImage& selection, int zoom, bool redessiner)
{
    const int32_t z = ZoomCourant();
    if (zoom == 100 && z == 100) {
        Selection = selection;
    } else {
        const double source = zoom > 0 ? zoom : 100;
        auto conv = [&](int32_t v) {
            return static_cast<int32_t>(std::nearbyint(z * (v * 100.0 / source) / 100.0));
        };
        Selection.X = conv(selection.X);
        Selection.Y = conv(selection.Y);
        Selection.Largeur = conv(selection.Largeur);
        Selection.Hauteur = conv(selection.Hauteur);
        Selection.Genre = selection.Genre;
    }
    if (redessiner)
        AfficherImage(true, false);
}

// A FIT rectangle keeps both edges (a width of 0 is one column); a BMP one
// keeps its width, so a width of 0 would leave an empty picture: the whole
// picture is used then, as for a point.
bool TTraitementImage::RectangleUtile() const
{
    return Selection.Genre == SelectionRectangle && EcranVersImage(Selection.Largeur) > 0 &&
           EcranVersImage(Selection.Hauteur) > 0;
}

void TTraitementImage::CopierZoneFit(THistoFit& zone)
{
    CopierHistoFit(ImageFit, zone);
    if (Selection.Genre != SelectionRectangle)
        return;
    const int32_t l = EcranVersImage(Selection.Largeur), h = EcranVersImage(Selection.Hauteur);
    int32_t gauche = EcranVersImage(Selection.X) - l / 2;
    int32_t haut = EcranVersImage(Selection.Y) - h / 2;
    int32_t droite = gauche + l, bas = haut + h;
    gauche = BornerEntier(gauche, 0, zone.XMax);
    droite = BornerEntier(droite, 0, zone.XMax);
    haut = BornerEntier(haut, 0, zone.YMax);
    bas = BornerEntier(bas, 0, zone.YMax);
    ExtraireZoneFit(zone, haut, zone.YMax - bas, gauche, zone.XMax - droite);
}

void TTraitementImage::CopierZoneBmp(THistoBmp& zone)
{
    CopierImageBmp(ImageBmp, zone);
    if (!RectangleUtile())
        return;
    const int32_t largeur = LargeurBmp(zone), hauteur = HauteurBmp(zone);
    const int32_t l = EcranVersImage(Selection.Largeur), h = EcranVersImage(Selection.Hauteur);
    // The far edges come from the unclamped near ones, as for a FIT image.
    const int32_t g = EcranVersImage(Selection.X) - l / 2, t = EcranVersImage(Selection.Y) - h / 2;
    int32_t gauche = BornerEntier(g, 0, largeur);
    int32_t haut = BornerEntier(t, 0, hauteur);
    int32_t droite = BornerEntier(g + l, 0, largeur);
    int32_t bas = BornerEntier(t + h, 0, hauteur);
    // At least one pixel, even for a rectangle against the right or bottom edge.
    if (droite <= gauche)
        gauche = std::max(0, droite - 1), droite = gauche + 1;
    if (bas <= haut)
        haut = std::max(0, bas - 1), bas = haut + 1;
    ExtraireZoneBmp(zone, haut, hauteur - bas, gauche, largeur - droite);
}

// ---------------------------------------------------------------------------
// Command pattern, undo and history

// Copying a large image costs as much as reading it, and after a load the
// undo copy would only repeat the image: it is made when first asked for.
// Nothing outside this class sees the undo objects but through the accessors.
void TTraitementImage::AnnulationEgaleImage(bool positif)
{
    FAnnulationDifferee = true;
    FPositifAnnulation = positif;
}

void TTraitementImage::FigerHistorique()
{
    FLignesFigees = FHistorique.size();
    LigneRestauree.clear();
}

void TTraitementImage::CopierDansAnnulation()
{
    if (TypeImage == tiFit) {
        CopierPixelsFit(ImageFit, ImageFitAnnulation);
        FModeFitAnnulation = FModeFit;
    } else if (TypeImage == tiBmp) {
        CopierHistoBmp(ImageBmp, ImageBmpAnnulation);
        FModeBmpAnnulation = FModeBmp;
        FPositifAnnulation = Positif;
    }
    FAnnulationDifferee = false;
}

THistoFit& TTraitementImage::AnnulationFit()
{
    if (FAnnulationDifferee && TypeImage == tiFit)
        CopierDansAnnulation();
    return ImageFitAnnulation;
}

THistoBmp& TTraitementImage::AnnulationBmp()
{
    if (FAnnulationDifferee && TypeImage == tiBmp)
        CopierDansAnnulation();
    return ImageBmpAnnulation;
}

void TTraitementImage::ExecuterOperation(const QString& progression, const std::function<void()>& operation,
                                         const QString& ligneHistorique)
{
    if (TypeImage == tiAutre)
        return;
    {
        TSablier sablier;
        const QString statut = TexteStatut();
        FixerTexteStatut(progression);
        CopierDansAnnulation();
        try {
            operation();
        } catch (...) {
            // A failed operation leaves the image, and its status, as they were.
            if (TypeImage == tiFit)
                CopierPixelsFit(ImageFitAnnulation, ImageFit);
            else
                CopierHistoBmp(ImageBmpAnnulation, ImageBmp);
            PixelsModifies();
            AfficherImage(true, true);
            // The undo copy now holds this image: undo must not take a line away.
            FigerHistorique();
            FixerTexteStatut(statut);
            throw;
        }
        PixelsModifies();
        AfficherImage(true, true);
    }
    Modifiee = true;
    AjouterHistorique(ligneHistorique);
}

void TTraitementImage::ExecuterFiltre(const QString& progression, const std::function<void(THistoFit&)>& fit,
                                      const std::function<void(THistoBmp&)>& bmp, const QString& ligneHistorique)
{
    ExecuterOperation(
        progression,
        [&] {
            if (TypeImage == tiFit)
                fit(ImageFit);
            else
                bmp(ImageBmp);
        },
        ligneHistorique);
}

void TTraitementImage::AppliquerPasseBas(int force, bool preservatif)
{
    ExecuterFiltre(
        QStringLiteral("Application Passe bas Force=") + Entier(force) + QStringLiteral("..."),
        [&](THistoFit& i) { FiltrePasseBasFit(i, force, preservatif); },
        [&](THistoBmp& i) { FiltrePasseBasBmp(i, force); },
        QStringLiteral("Filtre passe bas force ") + Entier(force) + SuffixePreservatif(preservatif));
}

void TTraitementImage::AppliquerPasseHaut(int force, bool preservatif)
{
    ExecuterFiltre(
        QStringLiteral("Application Passe haut Force=") + Entier(force) + QStringLiteral("..."),
        [&](THistoFit& i) { FiltrePasseHautFit(i, force, preservatif); },
        [&](THistoBmp& i) { FiltrePasseHautBmp(i, force); },
        QStringLiteral("Filtre passe haut force ") + Entier(force) + SuffixePreservatif(preservatif));
}

void TTraitementImage::AppliquerGaussien(bool preservatif, double sigma)
{
    ExecuterFiltre(
        QStringLiteral("Application Gaussien Sigma=") + Reel1(sigma) + QStringLiteral("..."),
        [&](THistoFit& i) { FiltreGaussienFit(i, preservatif, sigma); },
        [&](THistoBmp& i) { FiltreGaussienBmp(i, sigma); },
        QStringLiteral("Filtre gaussien sigma ") + Reel1(sigma) + SuffixePreservatif(preservatif));
}

void TTraitementImage::AppliquerMasqueFlou(bool preservatif, double sigma, double coefficient)
{
    ExecuterFiltre(
        QStringLiteral("Application Masque flou Sigma=") + Reel1(sigma) + QStringLiteral(" Coefficient=") +
            Reel1(coefficient) + QStringLiteral("..."),
        [&](THistoFit& i) { FiltreMasqueFlouFit(i, preservatif, sigma, coefficient); },
        [&](THistoBmp& i) { FiltreMasqueFlouBmp(i, sigma, coefficient); },
        QStringLiteral("Filtre masque flou sigma ") + Reel1(sigma) + QStringLiteral(" coefficient ") +
            Reel1(coefficient) + SuffixePreservatif(preservatif));
}

void TTraitementImage::AppliquerConvolution(TNoyau5x5 noyau, bool preservatif)
{
    ExecuterFiltre(
        QStringLiteral("Application Convolution..."),
        [&](THistoFit& i) { FiltreConvolutionFit(i, noyau, preservatif); },
        [&](THistoBmp& i) { FiltreConvolutionBmp(i, noyau); },
        preservatif ? QStringLiteral("Filtre convolution préservatif") : QStringLiteral("Filtre convolution"));
}

void TTraitementImage::AppliquerDDPNeutre(int niveau, double coefficient)
{
    ExecuterFiltre(
        QStringLiteral("Application DDP Neutre Niveau=") + Entier(niveau) + QStringLiteral(" Coefficient=") +
            Reel1(coefficient) + QStringLiteral("..."),
        [&](THistoFit& i) { FiltreDDPNeutreFit(i, niveau, coefficient); },
        [&](THistoBmp& i) { FiltreDDPNeutreBmp(i, niveau, coefficient); },
        QStringLiteral("Filtre DDP neutre niveau ") + Entier(niveau) + QStringLiteral(" coefficient ") +
            Reel1(coefficient));
}

void TTraitementImage::AppliquerDDPPasseBas(int niveau, int force, double coefficient, bool preservatif)
{
    ExecuterFiltre(
        QStringLiteral("Application DDP Passe bas Niveau=") + Entier(niveau) + QStringLiteral(" Force=") +
            Entier(force) + QStringLiteral(" Coefficient=") + Reel1(coefficient) + QStringLiteral("..."),
        [&](THistoFit& i) { FiltreDDPPasseBasFit(i, niveau, force, coefficient, preservatif); },
        [&](THistoBmp& i) { FiltreDDPPasseBasBmp(i, niveau, force, coefficient); },
        QStringLiteral("Filtre DDP passe bas niveau ") + Entier(niveau) + QStringLiteral(" force ") + Entier(force) +
            QStringLiteral(" coefficient ") + Reel1(coefficient) + SuffixePreservatif(preservatif));
}

void TTraitementImage::AppliquerDDPGaussien(int niveau, bool preservatif, double sigma, double coefficient)
{
    ExecuterFiltre(
        QStringLiteral("Application DDP Gaussien Niveau=") + Entier(niveau) + QStringLiteral(" Sigma=") +
            Reel1(sigma) + QStringLiteral(" Coefficient=") + Reel1(coefficient) + QStringLiteral("..."),
        [&](THistoFit& i) { FiltreDDPGaussienFit(i, niveau, preservatif, sigma, coefficient); },
        [&](THistoBmp& i) { FiltreDDPGaussienBmp(i, niveau, sigma, coefficient); },
        QStringLiteral("Filtre DDP gaussien niveau ") + Entier(niveau) + QStringLiteral(" sigma ") + Reel1(sigma) +
            QStringLiteral(" coefficient ") + Reel1(coefficient) + SuffixePreservatif(preservatif));
}

void TTraitementImage::AppliquerMediane3x3()
{
    if (TypeImage == tiBmp) {
        // Nothing runs: once the notice is read the status is as it was.
        TSablier sablier;
        const QString avant = TexteStatut();
        FixerTexteStatut(QStringLiteral("Application médiane 3x3..."));
        AvertirFonctionBmp(QStringLiteral("Filtre - Médiane 3x3"));
        FixerTexteStatut(avant);
        return;
    }
    ExecuterOperation(QStringLiteral("Application médiane 3x3..."), [&] { FiltreMediane3x3Fit(ImageFit); },
                      QStringLiteral("Filtre médiane 3x3"));
}

void TTraitementImage::InverserPositifNegatif()
{
    if (TypeImage == tiAutre)
        return;
    TSablier sablier;
    FixerTexteStatut(QStringLiteral("Négatif/Positif..."));
    if (TypeImage == tiFit) {
        // The pixels do not change: nothing to undo, nothing to save.
        Positif = !Positif;
        AfficherImage(true, true);
        return;
    }
    // A BMP is saved as displayed, so the inversion is a change of its own.
    CopierDansAnnulation();
    Positif = !Positif;
    AfficherImage(true, true);
    Modifiee = true;
    AjouterHistorique(QStringLiteral("Inversion des valeurs"));
}

void TTraitementImage::AfficherEnteteFit()
{
    if (TypeImage != tiFit || !EnteteFit)
        return;
    const QStringList avant = ImageFit.Entete;
    // The dialog outlives this window: its call-back holds nothing of it.
    auto ligne = std::make_shared<QString>();
    EnteteFit->Initialiser(Numero, ImageFit, [ligne](const QString& l) { *ligne = l; });
    Dialogues::ExecuterModal(*EnteteFit);
    if (ligne->isEmpty())
        return;
    // OK has already written the cards: the undo copy gets the pixels as they
    // are and the header as it was.
    CopierDansAnnulation();
    ImageFitAnnulation.Entete = avant;
    Modifiee = true;
    AjouterHistorique(*ligne);
}

void TTraitementImage::MenuAnnulerRestaurerImgSourceClick()
{
    if (TypeImage == tiAutre)
        return;
    if (TypeImage == tiFit) {
        const int32_t zoom = ImageFit.Zoom;
        // An undo copy not made yet equals the image: nothing to exchange.
        if (!FAnnulationDifferee) {
            EchangerHistoFit(ImageFit, ImageFitAnnulation);
            std::swap(FModeFit, FModeFitAnnulation);
        }
        FixerZoomFit(ImageFit, zoom, false, Positif);
    } else {
        const int32_t zoom = ImageBmp.Zoom;
        if (!FAnnulationDifferee) {
            EchangerHistoBmp(ImageBmp, ImageBmpAnnulation);
            std::swap(FModeBmp, FModeBmpAnnulation);
            // The display sense travels with the picture it was applied to.
            std::swap(Positif, FPositifAnnulation);
        }
        FixerZoomBmp(ImageBmp, zoom, false, Positif);
    }
    AfficherImage(true, true);
    if (!LigneRestauree.isEmpty()) {
        FHistorique.append(LigneRestauree);
        AfficherLigneHistorique(LigneRestauree);
        LigneRestauree.clear();
    } else if (FHistorique.size() > std::max(1, FLignesFigees) && FHistorique.last() != TexteOuverture) {
        // Lines of operations saved into the file, or older than a failed
        // command, are not undone.
        LigneRestauree = FHistorique.takeLast();
        // Only the last line goes: the text before it is not laid out again.
        QTextCursor fin(RchEdtHistorique->document());
        fin.movePosition(QTextCursor::End);
        const qsizetype debut = fin.position() - LigneRestauree.size() - 1;
        fin.setPosition(static_cast<int>(std::max<qsizetype>(debut, 0)), QTextCursor::KeepAnchor);
        fin.removeSelectedText();
    }
}

// A long session's history is never written out again as a whole: each new
// line is appended to the text shown.
void TTraitementImage::AfficherLigneHistorique(const QString& ligne)
{
    RchEdtHistorique->appendPlainText(ligne);
    RchEdtHistorique->verticalScrollBar()->setValue(RchEdtHistorique->verticalScrollBar()->maximum());
}

void TTraitementImage::DemarrerHistorique()
{
    FHistorique.clear();
    FHistorique.append(TexteOuverture);
    FLignesFigees = 0;
    LigneRestauree.clear();
    RchEdtHistorique->clear();
    AfficherLigneHistorique(TexteOuverture);
}

void TTraitementImage::AjouterHistorique(const QString& ligne)
{
    FHistorique.append(ligne);
    LigneRestauree.clear();
    AfficherLigneHistorique(ligne);
}

QStringList TTraitementImage::Historique() const { return FHistorique; }

void TTraitementImage::AfficherMasquerHistorique()
{
    RchEdtHistorique->setVisible(RchEdtHistorique->isHidden());
    BtBtnMasquerHistorique->setVisible(BtBtnMasquerHistorique->isHidden());
    PlacerHistorique();
}

void TTraitementImage::CopierHistorique()
{
    const QString texte = RchEdtHistorique->textCursor().selectedText().replace(QChar(0x2029), QLatin1Char('\n'));
    if (!texte.isEmpty())
        QGuiApplication::clipboard()->setText(texte);
}

void TTraitementImage::EnregistrerHistoriqueSous()
{
    const QString nom = Main ? Main->SvDlgEnregistrerHistoriqueSous.ExecuterEnregistrement(this)
                             : Dialogues::ChoisirFichierEnregistrement(this, QStringLiteral("Enregistrer sous"),
                                                                       QStringLiteral("Fichier Texte (*.txt)"));
    if (nom.isEmpty())
        return;
    QByteArray texte;
    for (const QString& ligne : FHistorique)
        texte += ligne.toUtf8() + '\n';
    EcrireFichierSur(nom, texte);
}

// ---------------------------------------------------------------------------
// Saving, export, copy

void TTraitementImage::EnregistrerImage(const QString& nomFichier)
{
    if (TypeImage == tiAutre)
        return;
    // Written under the name the user confirmed, whatever its extension; it
    // reads back as the kind it holds.
    const QString nom = nomFichier;
    const bool positifFit = Positif;
    {
        TSablier sablier;
        if (TypeImage == tiFit) {
            EnregistrerFit(ImageFit, nom);
        } else {
            THistoBmp copie;
            CreerHistoBmp(copie);
            CopierImageBmp(ImageBmp, copie);
            copie.Zoom = 100;
            EnregistrerBmp(copie, nom, Positif);
            DetruireHistoBmp(copie);
            Positif = true;
        }
    }
    FixerTexteStatut(QStringLiteral("Image enregistrée."));
    FTypeImpose = TypeImage;
    struct TOublier {
        int32_t& t;
        ~TOublier() { t = tiAutre; }
    } oublier{FTypeImpose};
    OuvrirImage(nom, false);
    if (TypeImage == tiFit && !positifFit) {
        Positif = false;
        AfficherImage(true, true);
    }
    // What is in the file can no longer be undone.
    FigerHistorique();
}

QString TTraitementImage::ChoisirNomImage(int32_t type, bool preremplir)
{
    // Without a frame (the window on its own) a plain dialog of the kind.
    const bool fit = type == tiFit;
    TDialogueFichier seul{QStringLiteral("Enregistrer sous"),
                          fit ? QStringLiteral("Fichier Fit (*.fit)") : QStringLiteral("Fichier Bitmap (*.bmp)"), {}, {}};
    TDialogueFichier& d = !Main ? seul : fit ? Main->SvDlgEnregistrerImageSousFit : Main->SvDlgEnregistrerImageSousBmp;
    if (!preremplir)
        return d.ExecuterEnregistrement(this);
    // Folder and name of the image, both empty for an image never saved.
    const QString nom = Dialogues::ChoisirFichierEnregistrement(this, d.Titre, d.Filtre, NomFichier);
    if (!nom.isEmpty())
        d.NomFichier = nom;
    return nom;
}

void TTraitementImage::MenuEnregistrerSousImgSourceClick()
{
    if (TypeImage == tiAutre)
        return;
    // A file the 16-bit writer cannot write back as it was (another BITPIX,
    // a cube) is never offered for replacement: the name is asked as
    // "Enregistrer sous..." does.
    const bool preremplir = !(TypeImage == tiFit && ImageFit.SourceNonReproductible);
    const QString nom = ChoisirNomImage(TypeImage, preremplir);
    if (!nom.isEmpty())
        EnregistrerImage(nom);
}

void TTraitementImage::SurZone(const std::function<void(THistoFit&)>& fit, const std::function<void(THistoBmp&)>& bmp)
{
    if (TypeImage == tiFit) {
        THistoFit zone;
        CreerHistoFit(zone);
        CopierZoneFit(zone);
        zone.Zoom = 100;
        fit(zone);
        DetruireHistoFit(zone);
    } else if (TypeImage == tiBmp) {
        THistoBmp zone;
        CreerHistoBmp(zone);
        CopierZoneBmp(zone);
        zone.Zoom = 100;
        bmp(zone);
        DetruireHistoBmp(zone);
    }
}

void TTraitementImage::ExporterFit()
{
    if (TypeImage == tiAutre)
        return;
    const QString nom = ChoisirNomImage(tiFit, false);
    if (nom.isEmpty())
        return;
    {
        TSablier sablier;
        SurZone([&](THistoFit& zone) { EnregistrerCopieFit(zone, nom); },
                [&](THistoBmp& zone) {
                    ExporterBmpEnFit(zone.BitmapSource, nom, [](const QString& avis) { Dialogues::Information(avis); });
                });
    }
    FixerTexteStatut(QStringLiteral("Image exportée."));
}

void TTraitementImage::ExporterBmp()
{
    if (TypeImage == tiAutre)
        return;
    const QString nom = ChoisirNomImage(tiBmp, false);
    if (nom.isEmpty())
        return;
    {
        TSablier sablier;
        SurZone([&](THistoFit& zone) { ExporterFitEnBmp(zone, nom, Positif); },
                [&](THistoBmp& zone) { EnregistrerBmp(zone, nom, Positif); });
    }
    FixerTexteStatut(QStringLiteral("Image exportée."));
}

QImage TTraitementImage::RenduZone()
{
    QImage rendu;
    SurZone([&](THistoFit& zone) { rendu = RendreFit(zone, Positif); },
            [&](THistoBmp& zone) {
                rendu = BitmapBmp(zone).copy();
                if (!Positif)
                    InverserBitmap(rendu);
            });
    return rendu;
}

void TTraitementImage::ExporterJpeg()
{
    if (TypeImage == tiAutre || !ExportationJpeg)
        return;
    {
        TSablier sablier;
        ExportationJpeg->Exporte = false;
        ExportationJpeg->Initialiser(RenduZone());
    }
    Dialogues::ExecuterModal(*ExportationJpeg);
    if (ExportationJpeg->Exporte)
        FixerTexteStatut(QStringLiteral("Image exportée."));
}

void TTraitementImage::MenuCopierImgSourceClick()
{
    if (TypeImage == tiAutre)
        return;
    {
        TSablier sablier;
        QGuiApplication::clipboard()->setImage(RenduZone());
    }
    FixerTexteStatut(QStringLiteral("Image copiée."));
}

// ---------------------------------------------------------------------------
// Filling a new window

void TTraitementImage::RemplirDepuis(int type, const THistoFit* fit, const THistoBmp* bmp, bool positif)
{
    setWindowTitle(QStringLiteral("#") + Entier(Numero) + QStringLiteral(" [") + TexteNonEnregistree +
                   QLatin1Char(']'));
    if (type == tiFit) {
        if (FPrendrePixels) {
            // PrendreImageFit hands an image of its caller's, not a constant.
            auto* source = const_cast<THistoFit*>(fit);
            std::vector<double> pixels;
            pixels.swap(source->Pixels);
            CopierHistoFit(*source, ImageFit);
            ImageFit.Pixels.swap(pixels);
        } else {
            CopierHistoFit(*fit, ImageFit);
        }
        FModeFit = -1;
    } else {
        CopierImageBmp(*bmp, ImageBmp);
        FModeBmp = -1;
    }
    NomFichier.clear();
    TypeImage = type;
    // A zoom the window cannot show becomes 100 %.
    if (ZoomCourant() < 5 || ZoomCourant() > 800) {
        ImageFit.Zoom = 100;
        ImageBmp.Zoom = 100;
    }
    Positif = positif;
    AnnulationEgaleImage(positif);
    Modifiee = true;
    Selection = TSelectionImage();
    // The zoom text and check marks follow the zoom the image came with.
    EdtPourcentZoom2->setText(Entier(ZoomCourant()) + QLatin1Char('%'));
    AfficherImage(true, true);
    CocherZoom();
    if (Main)
        Main->CocherZoom(EdtPourcentZoom2->text());
    MajLibellesSelection();
    AjusteTailleFenetreALImageSource();
    DemarrerHistorique();
}

void TTraitementImage::DupliquerImage(TTraitementImage& source)
{
    if (source.TypeImage == tiAutre)
        LeverErreur(QStringLiteral("Cette fenêtre n'affiche pas d'image."));
    RemplirDepuis(source.TypeImage, &source.ImageFit, &source.ImageBmp, source.Positif);
}

void TTraitementImage::DupliquerDepuis(TMDIChild& source)
{
    auto* s = dynamic_cast<TTraitementImage*>(&source);
    if (!s)
        LeverErreur(QStringLiteral("Cette fenêtre n'affiche pas d'image."));
    DupliquerImage(*s);
}

void TTraitementImage::NouvelleImageFit(const THistoFit& image) { RemplirDepuis(tiFit, &image, nullptr, true); }

void TTraitementImage::PrendreImageFit(THistoFit& image)
{
    // The pixels move first; the copy then finds its block the right size.
    FPrendrePixels = true;
    try {
        RemplirDepuis(tiFit, &image, nullptr, true);
    } catch (...) {
        FPrendrePixels = false;
        throw;
    }
    FPrendrePixels = false;
}

void TTraitementImage::NouvelleImageBmp(const THistoBmp& image) { RemplirDepuis(tiBmp, nullptr, &image, true); }

// ---------------------------------------------------------------------------
// Filter dialogs

void TTraitementImage::MenuPasseBasImgSourceClick()
{
    if (PasseBas && Dialogues::ExecuterModal(*PasseBas) == mrOk) {
        AfficherPageSource();
        AppliquerPasseBas(PasseBas->LireForce(), PasseBas->LirePreservatif());
    }
}

void TTraitementImage::MenuPasseHautImgSourceClick()
{
    if (PasseHaut && Dialogues::ExecuterModal(*PasseHaut) == mrOk) {
        AfficherPageSource();
        AppliquerPasseHaut(PasseHaut->LireForce(), PasseHaut->LirePreservatif());
    }
}

void TTraitementImage::MenuGaussienImgSourceClick()
{
    if (Gaussien && Dialogues::ExecuterModal(*Gaussien) == mrOk) {
        AfficherPageSource();
        AppliquerGaussien(Gaussien->LirePreservatif(), Gaussien->LireSigma());
    }
}

void TTraitementImage::MenuMasqueFlouImgSourceClick()
{
    if (MasqueFlou && Dialogues::ExecuterModal(*MasqueFlou) == mrOk) {
        AfficherPageSource();
        AppliquerMasqueFlou(MasqueFlou->LirePreservatif(), MasqueFlou->LireSigma(), MasqueFlou->LireCoefficient());
    }
}

void TTraitementImage::MenuConvolutionImgSourceClick()
{
    // The kernel editor is reached through the frame's command.
    if (Main && Main->MnItmConvolution && Main->MnItmConvolution->isEnabled())
        Main->MnItmConvolution->trigger();
}

// ---------------------------------------------------------------------------
// Threshold window

void TTraitementImage::AfficherHistogramme()
{
    if (!Main || TypeImage == tiAutre)
        return;
    if (Main->ExisteHistogramme(Numero)) {
        Main->MontrerHistogrammes(Numero);
        Main->ZoneMDI()->setActiveSubWindow(Main->TrouverHistogramme(Numero));
        return;
    }
    TFenetreSeuils* fenetre = nullptr;
    if (TypeImage == tiFit) {
        auto* f = new THistogrammeFit;
        f->Initialiser(Numero, ImageFit);
        fenetre = f;
    } else {
        auto* f = new THistogrammeBmp;
        f->Initialiser(Numero, ImageBmp);
        fenetre = f;
    }
    QMdiArea* zone = Main->ZoneMDI();
    zone->addSubWindow(fenetre);
    fenetre->show();
    const QSize vue = zone->viewport()->size();
    fenetre->move(std::max(0, (vue.width() - fenetre->width()) / 2), std::max(0, (vue.height() - fenetre->height()) / 2));
    zone->setActiveSubWindow(fenetre);
}

// Processing commands

namespace {

QString Reel2(double v) { return ReelEnTexte(v, 2); }

// Beyond this a resized image could not be saved as a bitmap nor held
// beside its source and undo copy.
constexpr int64_t PixelsMaximum = int64_t(1) << 28;

} // namespace

TTraitementImage* TTraitementImage::ChoisirImage(const QString& titre)
{
    if (!SelectionTraitementImage || !Main)
        return nullptr;
    SelectionTraitementImage->PreparerSelection(titre, TypeImage);
    const int resultat = Dialogues::ExecuterModal(*SelectionTraitementImage);
    if (resultat != mrOk && !SelectionTraitementImage->DoubleClic)
        return nullptr;
    AfficherPageSource();
    const int numero = SelectionTraitementImage->ImageSelectionnee();
    if (numero == 0)
        return nullptr;
    auto* autre = dynamic_cast<TTraitementImage*>(Main->TrouverImage(numero));
    return autre && autre->TypeImage == TypeImage ? autre : nullptr;
}

TTraitementImage* TTraitementImage::ChoisirImageMemeTaille(const QString& titre)
{
    TTraitementImage* autre = ChoisirImage(titre);
    if (autre && (autre->ImageFit.XMax != ImageFit.XMax || autre->ImageFit.YMax != ImageFit.YMax)) {
        Dialogues::Information(QStringLiteral("Les images doivent être de taille identique."));
        return nullptr;
    }
    return autre;
}

void TTraitementImage::OperationImage(const QString& titre, const QString& avis,
                                      const std::function<void(const THistoFit&)>& operation)
{
    if (TypeImage == tiBmp) {
        AvertirFonctionBmp(avis);
        return;
    }
    if (TypeImage != tiFit)
        return;
    TTraitementImage* autre = ChoisirImageMemeTaille(titre);
    if (!autre)
        return;
    const QString n = Entier(autre->Numero);
    ExecuterOperation(titre + QStringLiteral(" #") + n + QStringLiteral("..."), [&] { operation(autre->ImageFit); },
                      titre + QStringLiteral(" image #") + n);
}

void TTraitementImage::AdditionImage()
{
    OperationImage(QStringLiteral("Addition"), QStringLiteral("Addition - Image"),
                   [this](const THistoFit& autre) { AdditionnerImageFit(ImageFit, autre); });
}

void TTraitementImage::SoustractionImage()
{
    OperationImage(QStringLiteral("Soustraction"), QStringLiteral("Soustraction - Image"),
                   [this](const THistoFit& autre) { SoustractionImagesFit(ImageFit, autre, ImageFit); });
}

void TTraitementImage::DivisionImage()
{
    OperationImage(QStringLiteral("Division"), QStringLiteral("Division - Image"), [this](const THistoFit& autre) {
        DiviserImageFit(ImageFit, autre, MoyenneFit(autre));
    });
}

void TTraitementImage::MultiplicationImage()
{
    OperationImage(QStringLiteral("Multiplication"), QStringLiteral("Multiplication - Image"),
                   [this](const THistoFit& autre) { MultiplierImageFit(ImageFit, autre, MoyenneFit(autre)); });
}

void TTraitementImage::MoyenneImages()
{
    OperationImage(QStringLiteral("Moyenne"), QStringLiteral("Moyenne"), [this](const THistoFit& autre) {
        // The result is one of the two images: read this one from a copy.
        THistoFit copie;
        CreerHistoFit(copie);
        CopierPixelsFit(ImageFit, copie);
        MoyenneImagesFit({&copie, &autre}, ImageFit);
        DetruireHistoFit(copie);
    });
}

void TTraitementImage::OperationConstante(const QString& question, const QString& titre,
                                          const std::function<void(double)>& operation, bool refuserZero)
{
    if (TypeImage == tiBmp) {
        AvertirFonctionBmp(titre + QStringLiteral(" - Constante"));
        return;
    }
    if (TypeImage != tiFit || !DemandeValeur)
        return;
    DemandeValeur->PreparerDemande(question, -65535, 65535);
    if (Dialogues::ExecuterModal(*DemandeValeur) != mrOk)
        return;
    const double c = DemandeValeur->ValeurDemandee();
    AfficherPageSource();
    if (refuserZero && c == 0) {
        Dialogues::Information(QStringLiteral("Division par zéro impossible : l'image n'est pas modifiée."));
        return;
    }
    ExecuterOperation(titre + QStringLiteral(" Constante ") + Reel2(c) + QStringLiteral("..."), [&] { operation(c); },
                      titre + QStringLiteral(" constante ") + Reel2(c));
}

void TTraitementImage::AdditionConstante()
{
    OperationConstante(QStringLiteral("Constante à additionner ?"), QStringLiteral("Addition"),
                       [this](double c) { AjouterConstanteFit(ImageFit, c); }, false);
}

void TTraitementImage::SoustractionConstante()
{
    OperationConstante(QStringLiteral("Constante à soustraire ?"), QStringLiteral("Soustraction"),
                       [this](double c) { SoustraireConstanteFit(ImageFit, c); }, false);
}

void TTraitementImage::DivisionConstante()
{
    OperationConstante(QStringLiteral("Constante de division ?"), QStringLiteral("Division"),
                       [this](double c) { MultiplierConstanteFit(ImageFit, 1 / c); }, true);
}

void TTraitementImage::MultiplicationConstante()
{
    OperationConstante(QStringLiteral("Constante de multiplication ?"), QStringLiteral("Multiplication"),
                       [this](double c) { MultiplierConstanteFit(ImageFit, c); }, false);
}

void TTraitementImage::Translation()
{
    if (TypeImage == tiBmp) {
        AvertirFonctionBmp(QStringLiteral("Translation"));
        return;
    }
    if (TypeImage != tiFit || !Translationn)
        return;
    double dx = 0, dy = 0;
    try {
        if (Dialogues::ExecuterModal(*Translationn) != mrOk) {
            AfficherImage(true, false); // the preview marks go
            return;
        }
        dx = Translationn->TranslationX();
        dy = Translationn->TranslationY();
    } catch (...) {
        AfficherImage(true, false);
        throw;
    }
    AfficherPageSource();
    ExecuterOperation(
        QStringLiteral("Translation x=") + Reel1(dx) + QStringLiteral(" y=") + Reel1(dy) + QStringLiteral("..."),
        [&] {
            TranslationXFit(ImageFit, dx);
            TranslationYFit(ImageFit, dy);
        },
        QStringLiteral("Translation x ") + Reel1(dx) + QStringLiteral(" y ") + Reel1(dy));
}

void TTraitementImage::Geometrie(const QString& avis, const QString& progression, const QString& historique,
                                 const std::function<void()>& operation)
{
    if (TypeImage == tiBmp) {
        AvertirFonctionBmp(avis);
        return;
    }
    ExecuterOperation(progression, operation, historique);
}

void TTraitementImage::MiroirHorizontal()
{
    Geometrie(QStringLiteral("Miroir horizontal"), QStringLiteral("Miroir horizontal..."),
              QStringLiteral("Miroir horizontal"), [this] { MiroirHorizontalFit(ImageFit); });
}

void TTraitementImage::MiroirVertical()
{
    Geometrie(QStringLiteral("Miroir vertical"), QStringLiteral("Miroir vertical..."), QStringLiteral("Miroir vertical"),
              [this] { MiroirVerticalFit(ImageFit); });
}

void TTraitementImage::Rotation90()
{
    Geometrie(QStringLiteral("Rotation 90 degrés"), QStringLiteral("Rotation 90 degrés..."),
              QStringLiteral("Rotation horaire 90 degrés"), [this] { Rotation90Fit(ImageFit); });
}

void TTraitementImage::Rotation180()
{
    Geometrie(QStringLiteral("Rotation 180 degrés"), QStringLiteral("Rotation 180 degrés..."),
              QStringLiteral("Rotation horaire 180 degrés"), [this] { Rotation180Fit(ImageFit); });
}

void TTraitementImage::Rotation270()
{
    Geometrie(QStringLiteral("Rotation 270 degrés"), QStringLiteral("Rotation 270 degrés..."),
              QStringLiteral("Rotation horaire 270 degrés"), [this] { Rotation270Fit(ImageFit); });
}

void TTraitementImage::AlignementStellaire()
{
    if (TypeImage == tiBmp) {
        AvertirFonctionBmp(QStringLiteral("Alignement stellaire"));
        return;
    }
    if (TypeImage != tiFit)
        return;
    if (Selection.Genre != SelectionRectangle) {
        Dialogues::Information(
            QStringLiteral("Tracez un cadre autour d'une étoile référence pour appliquer un alignement stellaire."));
        return;
    }
    const QString horsImage = QStringLiteral("Le cadre ne couvre aucun pixel de l'image : l'alignement stellaire "
                                             "n'est pas possible.");
    if (!RectangleUtile()) {
        Dialogues::Information(horsImage);
        return;
    }
    TTraitementImage* autre = ChoisirImageMemeTaille(QStringLiteral("Alignement stellaire"));
    if (!autre)
        return;
    // Both stars are measured before anything changes.
    const TSelectionImage ancienne = autre->Selection;
    autre->FixerSelection(Selection, ZoomCourant(), true);
    const bool cadreUtile = autre->RectangleUtile();
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool trouve = false;
    if (cadreUtile) {
        THistoFit zone1, zone2;
        CreerHistoFit(zone1);
        CreerHistoFit(zone2);
        CopierZoneFit(zone1);
        autre->CopierZoneFit(zone2);
        trouve = PositionEtoileFit(zone1, x1, y1) && PositionEtoileFit(zone2, x2, y2);
        DetruireHistoFit(zone1);
        DetruireHistoFit(zone2);
    }
    if (!trouve) {
        if (autre != this)
            autre->FixerSelection(ancienne, autre->ZoomCourant(), true);
        Dialogues::Information(cadreUtile ? QStringLiteral("Aucune étoile n'a été trouvée dans le cadre : "
                                                           "l'alignement stellaire n'est pas possible.")
                                          : horsImage);
        return;
    }
    const QString n = Entier(autre->Numero);
    const double dx = x2 - x1, dy = y2 - y1;
    ExecuterOperation(
        QStringLiteral("Alignement stellaire #") + n + QStringLiteral("..."),
        [&] {
            TranslationXFit(ImageFit, dx);
            TranslationYFit(ImageFit, dy);
        },
        QStringLiteral("Alignement stellaire #") + n + QStringLiteral(" x ") + Reel1(dx) + QStringLiteral(" y ") +
            Reel1(dy));
}

void TTraitementImage::AjusterNiveauDUneImage()
{
    if (TypeImage == tiBmp) {
        AvertirFonctionBmp(QStringLiteral("Ajustement du niveau"));
        return;
    }
    if (TypeImage != tiFit)
        return;
    TTraitementImage* autre = ChoisirImage(QStringLiteral("Ajuster le niveau"));
    if (!autre)
        return;
    const QString n = Entier(autre->Numero);
    const double m = MoyenneFit(autre->ImageFit);
    ExecuterOperation(QStringLiteral("Ajuster le niveau #") + n + QStringLiteral("..."),
                      [&] { AjusterNiveauFit(ImageFit, m); },
                      QStringLiteral("Ajustement du niveau #") + n + QStringLiteral(" niveau moyen ") +
                          ReelEnTexte(m, 4));
}

void TTraitementImage::AjusterNiveauAuxImages()
{
    if (TypeImage == tiBmp) {
        AvertirFonctionBmp(QStringLiteral("Ajustement des niveaux"));
        return;
    }
    if (TypeImage != tiFit || !Main)
        return;
    {
        TSablier sablier;
        const double m = MoyenneFit(ImageFit);
        FixerTexteStatut(QStringLiteral("Ajuster les niveaux des images..."));
        const QString ligne =
            QStringLiteral("Ajustement du niveau #") + Entier(Numero) + QStringLiteral(" niveau moyen ") + ReelEnTexte(m, 4);
        for (TMDIChild* enfant : Main->FenetresDuGenre(GenreImage)) {
            auto* f = dynamic_cast<TTraitementImage*>(enfant);
            if (!f || f == this || f->TypeImage != tiFit)
                continue;
            f->CopierDansAnnulation();
            AjusterNiveauFit(f->ImageFit, m);
            f->PixelsModifies();
            f->AfficherImage(true, true);
            f->Modifiee = true;
            f->AjouterHistorique(ligne);
        }
    }
    AfficherInfoImage();
}

int TTraitementImage::NiveauMinimal() const
{
    if (TypeImage == tiBmp)
        return static_cast<int>(std::nearbyint(256.0 * 10 / 100));
    return static_cast<int>(std::clamp<int64_t>(MiniArrondiFit(ImageFit), 0, 65535));
}

void TTraitementImage::MenuDDPNeutreImgSourceClick()
{
    if (TypeImage == tiAutre || !DDPNeutre)
        return;
    DDPNeutre->FixerNiveau(NiveauMinimal());
    if (Dialogues::ExecuterModal(*DDPNeutre) != mrOk)
        return;
    AfficherPageSource();
    AppliquerDDPNeutre(DDPNeutre->LireNiveau(), DDPNeutre->LireCoefficient());
}

void TTraitementImage::MenuDDPPasseBasImgSourceClick()
{
    if (TypeImage == tiAutre || !DDPPasseBas)
        return;
    DDPPasseBas->FixerNiveau(NiveauMinimal());
    if (Dialogues::ExecuterModal(*DDPPasseBas) != mrOk)
        return;
    AfficherPageSource();
    AppliquerDDPPasseBas(DDPPasseBas->LireNiveau(), DDPPasseBas->LireForce(), DDPPasseBas->LireCoefficient(),
                         DDPPasseBas->LirePreservatif());
}

void TTraitementImage::MenuDDPGaussienImgSourceClick()
{
    if (TypeImage == tiAutre || !DDPGaussien)
        return;
    DDPGaussien->FixerNiveau(NiveauMinimal());
    if (Dialogues::ExecuterModal(*DDPGaussien) != mrOk)
        return;
    AfficherPageSource();
    AppliquerDDPGaussien(DDPGaussien->LireNiveau(), DDPGaussien->LirePreservatif(), DDPGaussien->LireSigma(),
                         DDPGaussien->LireCoefficient());
}

void TTraitementImage::ConvertirNiveauxDeGris()
{
    if (TypeImage != tiBmp)
        return;
    if (FormatPixelBitmap(ImageBmp.BitmapSource) == pf8bit) {
        Dialogues::Information(QStringLiteral("L'image est déjà en niveaux de gris."));
        return;
    }
    CopierDansAnnulation();
    ConvertirHistoBmpGris(ImageBmp);
    PixelsModifies();
    AfficherImage(true, true);
    Modifiee = true;
    AjouterHistorique(QStringLiteral("Conversion en mode niveaux de gris"));
}

void TTraitementImage::MargesEnPixelsImage(int32_t& haut, int32_t& bas, int32_t& droite, int32_t& gauche) const
{
    // Each line is placed at the image row or column the shown one stands
    // for; the image's own edges stay where they are.
    const int32_t W = TypeImage == tiFit ? LargeurFit(ImageFit) : LargeurBmp(ImageBmp);
    const int32_t H = TypeImage == tiFit ? HauteurFit(ImageFit) : HauteurBmp(ImageBmp);
    const int32_t Wa = ImgSource->Picture.width(), Ha = ImgSource->Picture.height();
    if (Wa <= 0 || Ha <= 0)
        return;
    const auto ligne = [](int32_t p, int32_t affiche, int32_t taille) {
        return static_cast<int32_t>(std::nearbyint(static_cast<double>(p) * taille / affiche));
    };
    const int32_t t = haut, b = bas, d = droite, g = gauche;
    haut = t == 0 ? 0 : ligne(t, Ha, H);
    bas = b == 0 ? 0 : H - ligne(Ha - b, Ha, H);
    gauche = g == 0 ? 0 : ligne(g, Wa, W);
    droite = d == 0 ? 0 : W - ligne(Wa - d, Wa, W);
}

void TTraitementImage::DecouperBordures()
{
    if (TypeImage == tiAutre || !Bordures)
        return;
    AfficherImage(true, true);
    Bordures->Initialiser(ImgSource->Picture, Selection, ImgSource);
    if (Dialogues::ExecuterModal(*Bordures) != mrOk) {
        AfficherImage(true, true);
        return;
    }
    int32_t haut = 0, bas = 0, droite = 0, gauche = 0;
    Bordures->LireBordures(haut, bas, droite, gauche);
    if (haut == 0 && bas == 0 && droite == 0 && gauche == 0) {
        Selection = TSelectionImage();
        AfficherImage(true, true);
        PreviensMenus();
        MajLibellesSelection();
        return;
    }
    MargesEnPixelsImage(haut, bas, droite, gauche);
    const int64_t W = TypeImage == tiFit ? LargeurFit(ImageFit) : LargeurBmp(ImageBmp);
    const int64_t H = TypeImage == tiFit ? HauteurFit(ImageFit) : HauteurBmp(ImageBmp);
    if (haut < 0 || bas < 0 || droite < 0 || gauche < 0 || int64_t(haut) + bas >= H || int64_t(gauche) + droite >= W) {
        AfficherImage(true, true);
        Dialogues::Information(QStringLiteral("Les bordures ne laissent aucune ligne ou aucune colonne de l'image : "
                                              "l'image n'est pas découpée."));
        return;
    }
    Selection = TSelectionImage();
    {
        TSablier sablier;
        const bool fait = TypeImage == tiFit ? ExtraireZoneFit(ImageFit, haut, bas, gauche, droite)
                                             : ExtraireZoneBmp(ImageBmp, haut, bas, gauche, droite);
        if (!fait)
            LeverErreur(QStringLiteral("Les bordures n'ont pas pu être découpées."));
        PixelsModifies();
        // A crop cannot be undone.
        CopierDansAnnulation();
    }
    Modifiee = true;
    AfficherImage(true, true);
    PreviensMenus();
    MajLibellesSelection();
    AjusteTailleFenetreALImageSource();
    DemarrerHistorique();
}

void TTraitementImage::MenuRedimensionnementClick()
{
    if (TypeImage == tiBmp) {
        AvertirFonctionBmp(QStringLiteral("Redimensionnement"));
        return;
    }
    if (TypeImage != tiFit || !Redimensionnement || !Main)
        return;
    const int32_t w = LargeurFit(ImageFit), h = HauteurFit(ImageFit);
    Redimensionnement->InitialiserDimensions(w, h);
    if (Dialogues::ExecuterModal(*Redimensionnement) != mrOk)
        return;
    const double f = Redimensionnement->FacteurRedimensionnement();
    const int64_t n = NombrePixelsRedimensionnes(w, h, f);
    if (n > PixelsMaximum) {
        int32_t l = 0, ht = 0;
        DimensionsRedimensionnees(w, h, f, l, ht);
        Dialogues::Information(QStringLiteral("L'image redimensionnée (") + Entier(l) + QStringLiteral(" x ") +
                               Entier(ht) + QStringLiteral(" pixels) dépasserait la taille maximale d'une image (") +
                               Entier(PixelsMaximum) + QStringLiteral(" pixels) : elle n'est pas créée."));
        return;
    }
    if (n > 3000000 &&
        !Dialogues::Question(QStringLiteral("L'image agrandie dépasse les 3 millions de pixels. Voulez-vous appliquer "
                                            "cet agrandissement ?")))
        return;
    TSablier sablier;
    // The resized image is made before its window: a size that cannot be
    // held leaves no empty window behind.
    THistoFit copie;
    CreerHistoFit(copie);
    try {
        RedimensionnerCopieFit(ImageFit, copie, f);
    } catch (const std::bad_alloc&) {
        DetruireHistoFit(copie);
        LeverErreur(QStringLiteral("Mémoire insuffisante pour redimensionner l'image."));
    } catch (...) {
        DetruireHistoFit(copie);
        throw;
    }
    // A window made but not filled goes with the failure.
    const auto retirerVides = [&] {
        DetruireHistoFit(copie);
        for (TMDIChild* enfant : Main->FenetresDuGenre(GenreImage))
            if (auto* vide = dynamic_cast<TTraitementImage*>(enfant); vide && vide->TypeImage == tiAutre) {
                vide->Modifiee = false;
                vide->close();
            }
    };
    TTraitementImage* nouvelle = nullptr;
    try {
        // The frame's own road, the pixels moved rather than copied.
        if (!Main->FabriqueFenetreImage)
            LeverErreur(QStringLiteral("La fenêtre image n'est pas disponible."));
        nouvelle = dynamic_cast<TTraitementImage*>(Main->FabriqueFenetreImage());
        if (!nouvelle)
            LeverErreur(QStringLiteral("La fenêtre image n'a pas pu être créée."));
        nouvelle->PrendreImageFit(copie);
        Main->UpdateMenuItems();
    } catch (const std::bad_alloc&) {
        retirerVides();
        LeverErreur(QStringLiteral("Mémoire insuffisante pour redimensionner l'image."));
    } catch (...) {
        retirerVides();
        throw;
    }
    DetruireHistoFit(copie);
    if (nouvelle && nouvelle->Positif != Positif) {
        nouvelle->Positif = Positif;
        nouvelle->AfficherImage(true, true);
    }
}

void TTraitementImage::AfficherStatistiques()
{
    if (TypeImage == tiAutre || !Statistiques)
        return;
    TStatistiquesImage stats;
    {
        TSablier sablier;
        SurZone([&](THistoFit& zone) { StatistiquesFit(zone, stats); },
                [&](THistoBmp& zone) { StatistiquesBmp(zone, stats); });
    }
    Statistiques->Afficher(Numero, NomFichier, stats);
    Dialogues::ExecuterModal(*Statistiques);
}

void TTraitementImage::ActualiserFenetreHistogramme()
{
    if (!Main)
        return;
    if (auto* f = dynamic_cast<TFenetreSeuils*>(Main->TrouverHistogramme(Numero)))
        f->Actualiser();
}

void TTraitementImage::FixerCourbe(int32_t sMin, int32_t sMax, double trft, bool seuils)
{
    if (TypeImage == tiFit) {
        if (seuils)
            FixerSeuilsFit(ImageFit, sMin, sMax, false, Positif);
        FixerTransfertFit(ImageFit, false, Positif, trft);
    } else if (TypeImage == tiBmp) {
        if (seuils)
            FixerSeuilsBmp(ImageBmp, sMin, sMax, false, Positif);
        FixerTransfertBmp(ImageBmp, trft, false, Positif);
    } else {
        return;
    }
    AfficherImage(true, true);
    ActualiserFenetreHistogramme();
}

void TTraitementImage::HistogrammeAutomatique()
{
    if (TypeImage == tiFit) {
        const int mode = ModeFitCache();
        FixerCourbe(BornerEntier(mode / 2, 0, 65535), BornerEntier(2 * mode, 0, 65535), 0, true);
    } else {
        FixerCourbe(0, 255, 0, true);
    }
}

void TTraitementImage::HistogrammeLogarithmique() { FixerCourbe(0, 0, 3.5, false); }
void TTraitementImage::HistogrammeLineaire() { FixerCourbe(0, 0, 0.0, false); }
void TTraitementImage::HistogrammeExponentiel() { FixerCourbe(0, 0, -11.001, false); }

void TTraitementImage::MenuHistogramme_AppliquerDUneImageClick()
{
    if (TypeImage == tiAutre)
        return;
    TTraitementImage* autre = ChoisirImage(QStringLiteral("Appliquer l'histogramme"));
    if (!autre)
        return;
    {
        TSablier sablier;
        FixerTexteStatut(QStringLiteral("Application histogramme #") + Entier(autre->Numero) + QStringLiteral("..."));
        if (TypeImage == tiFit)
            FixerCourbe(autre->ImageFit.SMin, autre->ImageFit.SMax, autre->ImageFit.TRFT, true);
        else
            FixerCourbe(autre->ImageBmp.SMin, autre->ImageBmp.SMax, autre->ImageBmp.TRFT, true);
    }
}

void TTraitementImage::MenuHistogramme_AppliquerAuxImagesClick()
{
    if (TypeImage == tiAutre || !Main)
        return;
    {
        TSablier sablier;
        FixerTexteStatut(QStringLiteral("Application histogramme aux images..."));
        for (TMDIChild* enfant : Main->FenetresDuGenre(GenreImage)) {
            auto* f = dynamic_cast<TTraitementImage*>(enfant);
            if (!f || f == this || f->TypeImage != TypeImage)
                continue;
            if (TypeImage == tiFit)
                f->FixerCourbe(ImageFit.SMin, ImageFit.SMax, ImageFit.TRFT, true);
            else
                f->FixerCourbe(ImageBmp.SMin, ImageBmp.SMax, ImageBmp.TRFT, true);
        }
    }
    AfficherInfoImage();
}
