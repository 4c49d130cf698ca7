#include "UPretraitement.h"

#include "FlatMenu.h"

#include "PApplication.h"
#include "PCurseur.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "UArithmetique.h"
#include "UControleImage.h"
#include "UEcritureFit.h"
#include "UMain.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"
#include "UParametres.h"
#include "ui_UPretraitement.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>

namespace {

// The tab widget's frame around its tab bar.
constexpr int MargeOnglets = 8;

// The form's 500 pixels, or more where this platform's fonts need more to
// show every tab, so that "Execution" and "Résultat" never go behind scroll
// arrows.
int LargeurOnglets(const QTabWidget* onglets)
{
    return std::max(500, onglets->tabBar()->sizeHint().width() + MargeOnglets);
}

const QString TexteCalculMaster = QStringLiteral("Calcul du master...");

// A list entry: the file name shown, its directory kept beside it. The lists
// sort without regard to case, as file names are compared.
class TEntreeListe : public QListWidgetItem {
public:
    TEntreeListe(const QString& nom, const QString& repertoire) : QListWidgetItem(nom)
    {
        setData(Qt::UserRole, repertoire);
    }
    bool operator<(const QListWidgetItem& autre) const override
    {
        const int c = QString::compare(text(), autre.text(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : text() < autre.text();
    }
};

// The index the class library would call the list's item index: the current
// line when it is selected, -1 otherwise.
int IndexSelectionne(const QListWidget* liste)
{
    const int i = liste->currentRow();
    return i >= 0 && liste->item(i)->isSelected() ? i : -1;
}

// Empties the status line however the scope ends.
struct TEffacerMessage {
    QLabel* Label;
    bool Actif;
    ~TEffacerMessage()
    {
        if (Actif) {
            Label->clear();
            Label->repaint();
        }
    }
};

QString FiltreOuverture(int32_t type)
{
    switch (type) {
    case tiFit: return QStringLiteral("Fichier fit (*.fit)");
    case tiBmp: return QStringLiteral("Fichier bitmap (*.bmp)");
    default: return QStringLiteral("Fichier fit (*.fit);;Fichier bitmap (*.bmp)");
    }
}

// Moves a freshly computed object into the window's own, which keeps its picture.
void Remplacer(THistoFit& cible, THistoFit&& nouveau)
{
    TProprietaire p = std::move(cible.Proprietaire);
    cible = std::move(nouveau);
    cible.Proprietaire = std::move(p);
}

void Remplacer(THistoBmp& cible, THistoBmp&& nouveau)
{
    TProprietaire p = std::move(cible.Proprietaire);
    cible = std::move(nouveau);
    cible.Proprietaire = std::move(p);
}

} // namespace

// ---------------------------------------------------------------------------
// Creation

TPretraitement::TPretraitement(QWidget* parent)
    : TMDIChild(GenrePretraitement, parent), FUi(std::make_unique<Ui::TPretraitement>())
{
    auto* contenu = new QWidget(this);
    FUi->setupUi(contenu);
    setWidget(contenu);
    setObjectName(QStringLiteral("Pretraitement"));
#define PRENDRE(nom) nom = FUi->nom
    PRENDRE(PgCntrlPrincipale);
    PRENDRE(TbShtImages);
    PRENDRE(TbShtMasterDark);
    PRENDRE(TbShtMasterFlat);
    PRENDRE(TbShtOffset);
    PRENDRE(TbShtRegistration);
    PRENDRE(TbShtExecution);
    PRENDRE(TbShtResultat);
    PRENDRE(PnlBas);
    PRENDRE(LblMessage);
    PRENDRE(BtnImprimerExecution);
    PRENDRE(BtBtnAide);
    PRENDRE(BtnBrutes);
    PRENDRE(BtnDarks);
    PRENDRE(BtnFlats);
    PRENDRE(BtnOffsets);
    PRENDRE(LstBxBrutes);
    PRENDRE(LstBxDarks);
    PRENDRE(LstBxFlats);
    PRENDRE(LstBxOffsets);
    PRENDRE(BtnEffacerBrutes);
    PRENDRE(BtnEffacerDarks);
    PRENDRE(BtnEffacerFlats);
    PRENDRE(BtnEffacerOffsets);
    PRENDRE(CmbBxDarkMedianeMoyenne);
    PRENDRE(CmbBxFlatMedianeMoyenne);
    PRENDRE(CmbBxOffsetMedianeMoyenne);
    PRENDRE(BtBtnDarkProcess);
    PRENDRE(BtBtnFlatProcess);
    PRENDRE(BtBtnOffsetProcess);
    PRENDRE(BtBtnDarkEnregistrerSous);
    PRENDRE(BtBtnFlatEnregistrerSous);
    PRENDRE(BtBtnOffsetEnregistrerSous);
    PRENDRE(BtBtnSeuilsAutoDark);
    PRENDRE(BtBtnSeuilsAutoFlat);
    PRENDRE(BtBtnSeuilsAutoOffset);
    PRENDRE(TrckBrDarkSeuilHaut);
    PRENDRE(TrckBrDarkSeuilBas);
    PRENDRE(TrckBrFlatSeuilHaut);
    PRENDRE(TrckBrFlatSeuilBas);
    PRENDRE(TrckBrOffsetSeuilHaut);
    PRENDRE(TrckBrOffsetSeuilBas);
    PRENDRE(ScrllBxDark);
    PRENDRE(ScrllBxFlat);
    PRENDRE(ScrllBxOffset);
    PRENDRE(ImgDark);
    PRENDRE(ImgFlat);
    PRENDRE(ImgOffset);
    PRENDRE(CmbBxBrutesRegistration);
    PRENDRE(BtBtnSeuilsAutoRegistration);
    PRENDRE(ChckBxSeuilsAutoRegistration);
    PRENDRE(TrckBrRegistrationSeuilHaut);
    PRENDRE(TrckBrRegistrationSeuilBas);
    PRENDRE(ScrllBxRegistration);
    PRENDRE(ImgRegistration);
    PRENDRE(CmbBxRegistration);
    PRENDRE(EdtCoefRegistrationPlanetaire);
    PRENDRE(UpDwnCoefRegistrationPlanetaire);
    PRENDRE(LblRegistrationSurLePlan);
    PRENDRE(CmbBxPlanRegistration);
    PRENDRE(LblSelection);
    PRENDRE(LblCoordonneesEtMaxi);
    PRENDRE(CmbBxExecutionMoyenneAddition);
    PRENDRE(ChckBxExecutionAjustementNiveaux);
    PRENDRE(ChckBxExecutionConserver);
    PRENDRE(ChckBxCompositer);
    PRENDRE(BtBtnExecutionProcess);
    PRENDRE(RchEdtExecution);
    PRENDRE(PnlResultatFit);
    PRENDRE(PnlResultatBmp);
    PRENDRE(BtBtnResultatFitEnregistrerSous);
    PRENDRE(BtBtnResultatBmpEnregistrerSous);
    PRENDRE(BtBtnSeuilsAutoResultatFit);
    PRENDRE(BtBtnSeuilsAutoResultatBmp);
    PRENDRE(BtBtnResultatBmpTrichromieRVB);
    PRENDRE(TrckBrResultatFitSeuilHaut);
    PRENDRE(TrckBrResultatFitSeuilBas);
    PRENDRE(TrckBrResultatBmpSeuilHaut);
    PRENDRE(TrckBrResultatBmpSeuilBas);
    PRENDRE(ScrllBxResultatFit);
    PRENDRE(ScrllBxResultatBmp);
    PRENDRE(ImgResultatFit);
    PRENDRE(ImgResultatBmp);
#undef PRENDRE

    // The zoom panel lies over the top left of the picture, outside the layout.
    PnlZoomRegistration = new QFrame(TbShtRegistration);
    PnlZoomRegistration->setObjectName(QStringLiteral("PnlZoomRegistration"));
    PnlZoomRegistration->setFrameShape(QFrame::Box);
    PnlZoomRegistration->setAutoFillBackground(true);
    QPalette blanc = PnlZoomRegistration->palette();
    blanc.setColor(QPalette::Window, Qt::white);
    PnlZoomRegistration->setPalette(blanc);
    ImgZoomRegistration = new TImageControle(PnlZoomRegistration);
    ImgZoomRegistration->setObjectName(QStringLiteral("ImgZoomRegistration"));
    ImgZoomRegistration->move(1, 1);
    PnlZoomRegistration->hide();

    for (QListWidget* l : {LstBxBrutes, LstBxDarks, LstBxFlats, LstBxOffsets})
        l->setSortingEnabled(true);
    BtBtnResultatBmpTrichromieRVB->hide();
    ImgRegistration->setCursor(Qt::CrossCursor);
    RchEdtExecution->setReadOnly(true);

    OpnDlgImages = {QStringLiteral("Ouvrir"), FiltreOuverture(tiAutre), {}, {}};
    SvDlgEnregistrerSousFit = {QStringLiteral("Enregistrer sous"), QStringLiteral("Fichier Fit (*.fit)"),
                               QStringLiteral("fit"), {}};
    SvDlgEnregistrerSousBmp = {QStringLiteral("Enregistrer sous"), QStringLiteral("Fichier Bmp (*.bmp)"),
                               QStringLiteral("bmp"), {}};
    SvDlgEnregistrerSousExecution = {QStringLiteral("Enregistrer sous"), QStringLiteral("Fichier Texte (*.txt)"),
                                     QStringLiteral("txt"), {}};

    CreerMenus();
    FormCreate();
    Connecter();
    ConnecterResultat();
    FlatMenu = CreerFlatMenu(this);
}

TPretraitement::~TPretraitement()
{
    for (THistoFit* f : {&DarkFit, &FlatFit, &OffsetFit, &RegistrationFit, &ResultatFit})
        DetruireHistoFit(*f);
    for (THistoBmp* b : {&DarkBmp, &FlatBmp, &OffsetBmp, &RegistrationBmp, &ResultatBmp})
        DetruireHistoBmp(*b);
}

void TPretraitement::CreerMenus()
{
    auto item = [this](QMenu* menu, const QString& texte, std::function<void()> action) {
        QAction* a = menu->addAction(texte);
        connect(a, &QAction::triggered, this, [action = std::move(action)] { ExecuterCommande(action); });
        return a;
    };
    auto menuListe = [&](QListWidget* liste, QMenu*& menu, QAction*& ligne, QAction*& tout) {
        menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("PppMn") + liste->objectName().mid(5));
        ligne = item(menu, QStringLiteral("Effacer la ligne sélectionnée"), [this, liste] { EffacerLigneSelectionnee(liste); });
        ligne->setShortcut(QKeySequence(Qt::Key_Delete));
        ligne->setShortcutContext(Qt::WidgetShortcut);
        liste->addAction(ligne); // Del acts on the list that has the focus
        tout = item(menu, QStringLiteral("Tout effacer"), [this, liste] { ToutEffacer(liste); });
        ligne->setEnabled(false);
        tout->setEnabled(false);
        connect(liste, &QWidget::customContextMenuRequested, this,
                [liste, menu](const QPoint& p) { menu->popup(liste->viewport()->mapToGlobal(p)); });
    };
    menuListe(LstBxBrutes, PppMnBrutes, MnItmEffacerLigneBrutes, MnItmToutEffacerBrutes);
    menuListe(LstBxDarks, PppMnDarks, MnItmEffacerLigneDarks, MnItmToutEffacerDarks);
    menuListe(LstBxFlats, PppMnFlats, MnItmEffacerLigneFlats, MnItmToutEffacerFlats);
    menuListe(LstBxOffsets, PppMnOffsets, MnItmEffacerLigneOffsets, MnItmToutEffacerOffsets);

    PppMnExecution = new QMenu(this);
    PppMnExecution->setObjectName(QStringLiteral("PppMnExecution"));
    MnItmCopierExecution = item(PppMnExecution, QStringLiteral("Copier"), [this] { RchEdtExecution->copy(); });
    MnItmEnregistrerSousExecution = item(PppMnExecution, QStringLiteral("Enregistrer sous..."), [this] {
        const QString nom = SvDlgEnregistrerSousExecution.ExecuterEnregistrement(this);
        if (!nom.isEmpty())
            EcrireFichierSur(nom, RchEdtExecution->toPlainText().toLocal8Bit());
    });
    connect(RchEdtExecution, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PppMnExecution->popup(RchEdtExecution->viewport()->mapToGlobal(p)); });

    // The result's popups; their commands come with the run.
    PppMnResultatFit = new QMenu(this);
    PppMnResultatFit->setObjectName(QStringLiteral("PppMnResultatFit"));
    MnItmResultatFitEnregistrerSous = PppMnResultatFit->addAction(QStringLiteral("Enregistrer sous..."));
    MnItmResultatFitOuvrir = PppMnResultatFit->addAction(QStringLiteral("Ouvrir"));
    MnItmResultatFitCopier = PppMnResultatFit->addAction(QStringLiteral("Copier\tCtrl+C"));
    QMenu* exporterFit = PppMnResultatFit->addMenu(QStringLiteral("Exporter"));
    MnItmResultatFitExporterBitmap = exporterFit->addAction(QStringLiteral("Bitmap"));
    MnItmResultatFitExporterJpeg = exporterFit->addAction(QStringLiteral("Jpeg"));
    PppMnResultatBmp = new QMenu(this);
    PppMnResultatBmp->setObjectName(QStringLiteral("PppMnResultatBmp"));
    MnItmResultatBmpEnregistrerSous = PppMnResultatBmp->addAction(QStringLiteral("Enregistrer sous..."));
    MnItmResultatBmpOuvrir = PppMnResultatBmp->addAction(QStringLiteral("Ouvrir"));
    MnItmResultatBmpCopier = PppMnResultatBmp->addAction(QStringLiteral("Copier\tCtrl+C"));
    QMenu* exporterBmp = PppMnResultatBmp->addMenu(QStringLiteral("Exporter"));
    MnItmResultatBmpExporterFit = exporterBmp->addAction(QStringLiteral("Fit"));
    MnItmResultatBmpExporterJpeg = exporterBmp->addAction(QStringLiteral("Jpeg"));
    for (const auto& paire : {std::pair{ImgResultatFit, PppMnResultatFit}, std::pair{ImgResultatBmp, PppMnResultatBmp}}) {
        // Named copies: a lambda may not capture a structured binding before clang 16.
        TImageControle* image = paire.first;
        QMenu* menu = paire.second;
        image->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(image, &QWidget::customContextMenuRequested, this,
                [image, menu](const QPoint& p) { menu->popup(image->mapToGlobal(p)); });
    }
}

void TPretraitement::FormCreate()
{
    FixerDefilementTempsReel(LireDefilImgTpsReel());
    const auto cible = [](TImageControle* image) {
        return [image](const QImage& rendu) { image->FixerImage(rendu); };
    };
    CreerHistoFit(DarkFit, cible(ImgDark));
    CreerHistoBmp(DarkBmp, cible(ImgDark));
    CreerHistoFit(FlatFit, cible(ImgFlat));
    CreerHistoBmp(FlatBmp, cible(ImgFlat));
    CreerHistoFit(OffsetFit, cible(ImgOffset));
    CreerHistoBmp(OffsetBmp, cible(ImgOffset));
    CreerHistoFit(RegistrationFit, cible(ImgRegistration));
    CreerHistoBmp(RegistrationBmp, cible(ImgRegistration));
    CreerHistoFit(ResultatFit, cible(ImgResultatFit));
    CreerHistoBmp(ResultatBmp, cible(ImgResultatBmp));
    EvenementsActifs = true;
    MasterDarkCalcule = MasterFlatCalcule = MasterOffsetCalcule = false;
    ImageRegistrationChargee = false;
    DepartX = DepartY = -1;
    Cadre = TCadre();
    Numero = Main ? Main->NouveauNumeroPretraitement() : 0;
    setWindowTitle(QStringLiteral("#") + EntierEnTexte(Numero) + QStringLiteral(" Prétraitement d'images"));
    PgCntrlPrincipale->setCurrentWidget(TbShtImages);
    BtnImprimerExecution->hide();
    EdtCoefRegistrationPlanetaire->setText(QStringLiteral("1"));
    EdtCoefRegistrationPlanetaire->setEnabled(false);
    UpDwnCoefRegistrationPlanetaire->setEnabled(false);
    FichierResultatBmp.clear();
    setMinimumSize(500, 400);
    resize(LargeurOnglets(PgCntrlPrincipale), 400);
}

void TPretraitement::showEvent(QShowEvent* e)
{
    TMDIChild::showEvent(e);
    if (FPremierAffichage) {
        FPremierAffichage = false;
        FormShow();
    }
}

void TPretraitement::FormShow()
{
    for (TImageControle* i : {ImgDark, ImgFlat, ImgOffset, ImgRegistration})
        i->Vider();
    PnlZoomRegistration->hide();
    PnlResultatFit->hide();
    PnlResultatBmp->hide();
    {
        const QSignalBlocker b(CmbBxPlanRegistration);
        CmbBxPlanRegistration->setCurrentIndex(IndexCouleur(clVert));
    }
    IndexPlanRegistration = CmbBxPlanRegistration->currentIndex();
    BtnBrutes->setFocus();
}

void TPretraitement::resizeEvent(QResizeEvent* e)
{
    TMDIChild::resizeEvent(e);
    FormResize();
}

void TPretraitement::FormResize()
{
    const int w = (width() - 500) / 2, h = (height() - 400) / 2;
    const int largeur = 225 + w, hauteur = 113 + h;
    const int gauche = BtnBrutes->x(), droite = gauche + largeur + 15, haut = BtnBrutes->y();
    const int hBouton = BtnBrutes->height();
    BtnBrutes->setGeometry(gauche, haut, largeur, hBouton);
    BtnDarks->setGeometry(droite, haut, largeur, hBouton);
    LstBxBrutes->setGeometry(gauche, LstBxBrutes->y(), largeur, hauteur);
    LstBxDarks->setGeometry(droite, LstBxDarks->y(), largeur, hauteur);
    const int yBas = LstBxBrutes->y() + hauteur + 8;
    BtnFlats->setGeometry(gauche, yBas, largeur, hBouton);
    BtnOffsets->setGeometry(droite, yBas, largeur, hBouton);
    LstBxFlats->setGeometry(gauche, yBas + hBouton + 3, largeur, hauteur);
    LstBxOffsets->setGeometry(droite, yBas + hBouton + 3, largeur, hauteur);
    const std::pair<QPushButton*, QListWidget*> effacer[] = {
        {BtnEffacerBrutes, LstBxBrutes}, {BtnEffacerDarks, LstBxDarks}, {BtnEffacerFlats, LstBxFlats}, {BtnEffacerOffsets, LstBxOffsets}};
    for (auto [bouton, liste] : effacer) {
        bouton->move(liste->x() + liste->width() - 53, liste->y() + liste->height() - bouton->height() - 1);
        bouton->raise();
    }
    BtnImprimerExecution->move(width() - 132, BtnImprimerExecution->y());
    BtBtnAide->move(width() - 56, BtBtnAide->y());
}

void TPretraitement::Connecter()
{
    auto clic = [this](QAbstractButton* b, std::function<void()> action) {
        connect(b, &QAbstractButton::clicked, this, [action = std::move(action)] { ExecuterCommande(action); });
    };
    clic(BtnBrutes, [this] { AjouterFichiers(LstBxBrutes); });
    clic(BtnDarks, [this] { AjouterFichiers(LstBxDarks); });
    clic(BtnFlats, [this] { AjouterFichiers(LstBxFlats); });
    clic(BtnOffsets, [this] { AjouterFichiers(LstBxOffsets); });
    clic(BtnEffacerBrutes, [this] { ToutEffacer(LstBxBrutes); });
    clic(BtnEffacerDarks, [this] { ToutEffacer(LstBxDarks); });
    clic(BtnEffacerFlats, [this] { ToutEffacer(LstBxFlats); });
    clic(BtnEffacerOffsets, [this] { ToutEffacer(LstBxOffsets); });

    // A click on a raw frame, or the arrow keys in the list, shows it for registration.
    connect(LstBxBrutes, &QListWidget::itemClicked, this, [this] { ExecuterCommande([this] { LstBxBrutesClick(); }); });
    connect(LstBxBrutes, &QListWidget::currentRowChanged, this, [this] {
        if (LstBxBrutes->hasFocus() && !(QApplication::mouseButtons() & Qt::LeftButton))
            ExecuterCommande([this] { LstBxBrutesClick(); });
    });

    for (QListWidget* l : {LstBxDarks, LstBxFlats, LstBxOffsets}) {
        const TOngletMaster o = Onglet(l);
        QToolButton* process = l == LstBxDarks ? BtBtnDarkProcess : l == LstBxFlats ? BtBtnFlatProcess : BtBtnOffsetProcess;
        QToolButton* enregistrer = l == LstBxDarks   ? BtBtnDarkEnregistrerSous
                                   : l == LstBxFlats ? BtBtnFlatEnregistrerSous
                                                     : BtBtnOffsetEnregistrerSous;
        QToolButton* autom = l == LstBxDarks ? BtBtnSeuilsAutoDark : l == LstBxFlats ? BtBtnSeuilsAutoFlat : BtBtnSeuilsAutoOffset;
        clic(process, [this, o] { CalculerMaster(o); });
        clic(enregistrer, [this, o] { EnregistrerMaster(o); });
        clic(autom, [this, o] { SeuilsAutoMaster(o); });
        for (QSlider* s : {o.Haut, o.Bas})
            connect(s, &QSlider::valueChanged, this, [this, o] { ExecuterCommande([&] { CurseurMasterChange(o); }); });
    }

    for (QSlider* s : {TrckBrRegistrationSeuilHaut, TrckBrRegistrationSeuilBas})
        connect(s, &QSlider::valueChanged, this, [this] { ExecuterCommande([this] { CurseurRegistrationChange(); }); });
    // The result sliders apply to their own object, whatever the lists hold.
    const auto resultat = [this](QSlider* haut, QSlider* bas, bool fit) {
        for (QSlider* s : {haut, bas})
            connect(s, &QSlider::valueChanged, this, [this, haut, bas, fit] {
                ExecuterCommande([&] {
                    haut->setToolTip(QStringLiteral("Seuil haut : ") + EntierEnTexte(haut->value()));
                    bas->setToolTip(QStringLiteral("Seuil bas : ") + EntierEnTexte(bas->value()));
                    if (!EvenementsActifs)
                        return;
                    if (fit && ResultatFit.PixelsPresents())
                        FixerSeuilsFit(ResultatFit, bas->value(), haut->value(), true, true);
                    else if (!fit && !ResultatBmp.BitmapSource.isNull())
                        FixerSeuilsBmp(ResultatBmp, bas->value(), haut->value(), true, true);
                });
            });
    };
    resultat(TrckBrResultatFitSeuilHaut, TrckBrResultatFitSeuilBas, true);
    resultat(TrckBrResultatBmpSeuilHaut, TrckBrResultatBmpSeuilBas, false);
    clic(BtBtnSeuilsAutoResultatFit, [this] {
        if (!ResultatFit.PixelsPresents())
            return;
        FixerSeuilsFit(ResultatFit, SeuilMiniAutoFit(ResultatFit), SeuilMaxiAutoFit(ResultatFit), true, true);
        PlacerCurseurs(TrckBrResultatFitSeuilHaut, TrckBrResultatFitSeuilBas, ResultatFit.SMax, ResultatFit.SMin);
    });
    clic(BtBtnSeuilsAutoResultatBmp, [this] {
        if (ResultatBmp.BitmapSource.isNull())
            return;
        FixerSeuilsBmp(ResultatBmp, SeuilMiniBmpDefaut(), SeuilMaxiBmpDefaut(), true, true);
        PlacerCurseurs(TrckBrResultatBmpSeuilHaut, TrckBrResultatBmpSeuilBas, ResultatBmp.SMax, ResultatBmp.SMin);
    });

    clic(BtBtnSeuilsAutoRegistration, [this] { AppliquerSeuilsAutoRegistration(); });
    connect(ChckBxSeuilsAutoRegistration, &QCheckBox::toggled, this, [this](bool coche) {
        if (coche)
            ExecuterCommande([this] { AppliquerSeuilsAutoRegistration(); });
    });
    connect(CmbBxBrutesRegistration, &QComboBox::activated, this,
            [this] { ExecuterCommande([this] { CmbBxBrutesRegistrationChange(); }); });
    connect(CmbBxRegistration, &QComboBox::currentIndexChanged, this,
            [this] { ExecuterCommande([this] { CmbBxRegistrationChange(); }); });
    connect(CmbBxPlanRegistration, &QComboBox::activated, this,
            [this] { ExecuterCommande([this] { CmbBxPlanRegistrationChange(); }); });
    RelierHautBas(UpDwnCoefRegistrationPlanetaire, [this](TBoutonHautBas sens) {
        ExecuterCommande([&] { IncrementerEditEntier(EdtCoefRegistrationPlanetaire, sens, 1, 1, 5); });
    });
    connect(EdtCoefRegistrationPlanetaire, &QLineEdit::textChanged, this, [this] {
        ExecuterCommande([this] {
            if (ImageRegistrationChargee)
                RendreRegistration();
        });
    });
    EdtCoefRegistrationPlanetaire->installEventFilter(this);

    for (TImageControle* i : {ImgRegistration, ImgZoomRegistration}) {
        i->SourisEnfoncee = [this](Qt::MouseButton b, int x, int y) { ImgRegistrationMouseDown(b, x, y); };
        i->SourisDeplacee = [this](int x, int y) { ImgRegistrationMouseMove(x, y); };
        i->SourisRelachee = [this](Qt::MouseButton b, int x, int y) { ImgRegistrationMouseUp(b, x, y); };
    }
    ScrllBxRegistration->viewport()->setMouseTracking(true);
    ScrllBxRegistration->viewport()->installEventFilter(this);
    PnlBas->setMouseTracking(true);
    PnlBas->installEventFilter(this);

    clic(BtBtnExecutionProcess, [this] { BtBtnExecutionProcessClick(); });
    connect(PgCntrlPrincipale, &QTabWidget::currentChanged, this, [this] {
        LblMessage->clear();
        BtnImprimerExecution->setVisible(PgCntrlPrincipale->currentWidget() == TbShtExecution);
    });
}

bool TPretraitement::eventFilter(QObject* objet, QEvent* e)
{
    if (objet == EdtCoefRegistrationPlanetaire && e->type() == QEvent::KeyPress)
        return true; // only the spinner changes the coefficient
    if (e->type() == QEvent::MouseMove &&
        (objet == ScrllBxRegistration->viewport() ||
         (objet == PnlBas && PgCntrlPrincipale->currentWidget() == TbShtRegistration)))
        LblMessage->clear();
    return TMDIChild::eventFilter(objet, e);
}

// ---------------------------------------------------------------------------
// What the frame reads

bool TPretraitement::ResultatEnregistrable() const
{
    return !PnlResultatBmp->isHidden() || !PnlResultatFit->isHidden();
}

bool TPretraitement::ResultatExportable() const { return ResultatEnregistrable(); }

void TPretraitement::FixerDefilementTempsReel(bool suivre)
{
    for (QScrollArea* s : {ScrllBxDark, ScrllBxFlat, ScrllBxOffset, ScrllBxRegistration, ScrllBxResultatFit, ScrllBxResultatBmp}) {
        s->horizontalScrollBar()->setTracking(suivre);
        s->verticalScrollBar()->setTracking(suivre);
    }
}

// ---------------------------------------------------------------------------
// Lists

QString TPretraitement::CheminEntree(const QListWidget* liste, int i)
{
    const QListWidgetItem* e = liste->item(i);
    return e ? e->data(Qt::UserRole).toString() + e->text() : QString();
}

QStringList TPretraitement::Chemins(const QListWidget* liste)
{
    QStringList chemins;
    for (int i = 0; i < liste->count(); ++i)
        chemins.append(CheminEntree(liste, i));
    return chemins;
}

QString TPretraitement::PremiereImage() const
{
    for (const QListWidget* l : {LstBxBrutes, LstBxDarks, LstBxFlats, LstBxOffsets})
        for (int i = 0; i < l->count(); ++i) {
            const QString chemin = CheminEntree(l, i);
            if (QFileInfo::exists(chemin))
                return chemin;
        }
    return {};
}

int32_t TPretraitement::TypeImages() const
{
    const QString premiere = PremiereImage();
    return premiere.isEmpty() ? tiAutre : TypeFichier(premiere);
}

QStringList* TPretraitement::Reservoir(QListWidget* liste)
{
    if (liste == LstBxBrutes)
        return &RepertoiresBrutes;
    if (liste == LstBxDarks)
        return &RepertoiresDarks;
    if (liste == LstBxFlats)
        return &RepertoiresFlats;
    return &RepertoiresOffsets;
}

bool TPretraitement::ControlerTailles(const QStringList& fichiers)
{
    bool identiques = true, compatibles = true;
    {
        TSablier sablier;
        identiques = ControlerTaillesListe(
            fichiers,
            [this](const QString& texte) {
                LblMessage->setText(texte);
                LblMessage->repaint();
            },
            QStringLiteral("Contrôle des images à insérer..."));
        const QString premiere = PremiereImage();
        if (identiques && !premiere.isEmpty() && !fichiers.isEmpty()) {
            int32_t l0 = 0, h0 = 0, l = 0, h = 0;
            DimensionsFichierImage(premiere, l0, h0);
            DimensionsFichierImage(fichiers.first(), l, h);
            compatibles = l0 == l && h0 == h;
        }
    }
    if (!identiques)
        Dialogues::Information(QStringLiteral("Les images choisies ont des tailles différentes."));
    else if (!compatibles)
        Dialogues::Information(
            QStringLiteral("Les images choisies ont une taille différente de celle des images déjà sélectionnées."));
    return identiques && compatibles;
}

void TPretraitement::AjusterTailleFenetre(const QString& fichier)
{
    if (isMaximized())
        return;
    int32_t l = 0, h = 0;
    DimensionsFichierImage(fichier, l, h);
    if (l + 24 <= width() && h + 155 <= height())
        return;
    // Never narrower than its tabs, never past the frame's document area.
    FixerTailleDansZone(*this, std::max(l + 24, LargeurOnglets(PgCntrlPrincipale)), std::max(h + 155, 400));
}

void TPretraitement::PurgerListes()
{
    bool retire = false;
    {
        TSablier sablier;
        for (QListWidget* l : {LstBxBrutes, LstBxDarks, LstBxFlats, LstBxOffsets}) {
            const QSignalBlocker bloque(l);
            l->setUpdatesEnabled(false);
            int retirees = 0;
            for (int i = l->count() - 1; i >= 0; --i)
                if (!QFileInfo::exists(CheminEntree(l, i))) {
                    delete l->takeItem(i);
                    ++retirees;
                }
            retire |= retirees > 0;
            // What remains starts at its top, unselected, except an untouched
            // raw frame list which keeps its selection.
            if (l->count() > 0 && (l != LstBxBrutes || retirees > 0)) {
                l->clearSelection();
                l->setCurrentRow(-1);
                l->scrollToTop();
            }
            l->setUpdatesEnabled(true);
            if (l == LstBxBrutes) {
                RemplirBrutesRegistration();
                if (retirees > 0) {
                    ChargerImageRegistration();
                    EffacerCadre();
                }
            }
        }
    }
    if (retire) {
        FixerFiltreOuverture();
        ActiverMenusListes();
        Dialogues::Information(
            QStringLiteral("Les listes contiennent des images non trouvées, leurs références a été supprimées."));
    }
}

void TPretraitement::RemplirBrutesRegistration()
{
    const QSignalBlocker bloque(CmbBxBrutesRegistration);
    CmbBxBrutesRegistration->clear();
    for (int i = 0; i < LstBxBrutes->count(); ++i)
        CmbBxBrutesRegistration->addItem(LstBxBrutes->item(i)->text());
    if (LstBxBrutes->count() > 0)
        CmbBxBrutesRegistration->setCurrentIndex(IndexBruteReference());
    IndexBrutesRegistration = CmbBxBrutesRegistration->currentIndex();
}

int TPretraitement::IndexBruteReference() const
{
    return LstBxBrutes->count() > 0 ? std::max(IndexSelectionne(LstBxBrutes), 0) : -1;
}

void TPretraitement::FixerFiltreOuverture() { OpnDlgImages.Filtre = FiltreOuverture(TypeImages()); }

void TPretraitement::ActiverMenusListes()
{
    const std::tuple<QListWidget*, QAction*, QAction*> menus[] = {
        {LstBxBrutes, MnItmEffacerLigneBrutes, MnItmToutEffacerBrutes},
        {LstBxDarks, MnItmEffacerLigneDarks, MnItmToutEffacerDarks},
        {LstBxFlats, MnItmEffacerLigneFlats, MnItmToutEffacerFlats},
        {LstBxOffsets, MnItmEffacerLigneOffsets, MnItmToutEffacerOffsets}};
    for (auto [liste, ligne, tout] : menus) {
        ligne->setEnabled(liste->count() > 0);
        tout->setEnabled(liste->count() > 0);
    }
}

void TPretraitement::AjouterFichiers(QListWidget* liste)
{
    const QStringList noms = Dialogues::ChoisirFichiersOuverture(this, OpnDlgImages.Titre, OpnDlgImages.Filtre,
                                                                 CheminFichier(OpnDlgImages.NomFichier), true);
    if (noms.isEmpty() || !QFileInfo::exists(noms.first()))
        return;
    OpnDlgImages.NomFichier = noms.first();
    repaint();
    PurgerListes();
    if (!ControlerTailles(noms))
        return;
    const bool toutesVides = LstBxBrutes->count() == 0 && LstBxDarks->count() == 0 && LstBxFlats->count() == 0 &&
                             LstBxOffsets->count() == 0;
    QStringList* reservoir = Reservoir(liste);
    {
        const QSignalBlocker bloque(liste);
        for (const QString& nom : noms)
            if (QFileInfo::exists(nom)) {
                reservoir->append(CheminFichier(nom));
                liste->addItem(new TEntreeListe(NomFichierSansChemin(nom), reservoir->last()));
            }
    }
    if (liste == LstBxBrutes)
        RemplirBrutesRegistration();
    if (toutesVides)
        AjusterTailleFenetre(noms.first());
    FixerFiltreOuverture();
    ActiverMenusListes();
    if (liste == LstBxBrutes) {
        ChargerImageRegistration();
        if (CadreDefini()) {
            TracerCadreEtZoom(true);
            VerifierCadre();
        }
    }
}

void TPretraitement::AjouterBrutes(const QStringList& fichiers)
{
    if (fichiers.isEmpty() || !ControlerTailles(fichiers))
        return;
    {
        const QSignalBlocker bloque(LstBxBrutes);
        for (const QString& nom : fichiers) {
            RepertoiresBrutes.append(CheminFichier(nom));
            LstBxBrutes->addItem(new TEntreeListe(NomFichierSansChemin(nom), RepertoiresBrutes.last()));
        }
    }
    RemplirBrutesRegistration();
    AjusterTailleFenetre(fichiers.first());
    FixerFiltreOuverture();
    ActiverMenusListes();
    ChargerImageRegistration();
}

void TPretraitement::ListeVidee(QListWidget* liste)
{
    Reservoir(liste)->clear();
    if (liste == LstBxBrutes) {
        EffacerCadre();
        return;
    }
    const TOngletMaster o = Onglet(liste);
    o.Image->Vider();
    *o.Calcule = false;
}

void TPretraitement::EffacerLigneSelectionnee(QListWidget* liste)
{
    const QList<QListWidgetItem*> choisies = liste->selectedItems();
    if (choisies.isEmpty())
        return;
    const int ancien = std::max(liste->currentRow(), 0);
    {
        const QSignalBlocker bloque(liste);
        for (QListWidgetItem* e : choisies)
            delete liste->takeItem(liste->row(e));
        if (liste->count() > 0) {
            liste->setCurrentRow(std::min(ancien, liste->count() - 1));
            liste->item(liste->currentRow())->setSelected(true);
        }
    }
    if (liste->count() == 0)
        ListeVidee(liste);
    if (liste == LstBxBrutes) {
        RemplirBrutesRegistration();
        ChargerImageRegistration();
        if (liste->count() > 0 && CadreDefini()) {
            TracerCadreEtZoom(true);
            VerifierCadre();
        }
    }
    FixerFiltreOuverture();
    ActiverMenusListes();
}

void TPretraitement::ToutEffacer(QListWidget* liste)
{
    {
        const QSignalBlocker bloque(liste);
        liste->clear();
    }
    ListeVidee(liste);
    if (liste == LstBxBrutes) {
        RemplirBrutesRegistration();
        ChargerImageRegistration();
    }
    FixerFiltreOuverture();
    ActiverMenusListes();
}

void TPretraitement::LstBxBrutesClick()
{
    // A Ctrl+click that deselects the line falls back to the first, as the run does.
    const int i = IndexBruteReference();
    if (i < 0)
        return;
    ChargerImageRegistration();
    if (CadreDefini()) {
        TracerCadreEtZoom(true);
        VerifierCadre();
    }
    const QSignalBlocker bloque(CmbBxBrutesRegistration);
    CmbBxBrutesRegistration->setCurrentIndex(i);
    IndexBrutesRegistration = i;
}

void TPretraitement::PlacerCurseurs(QSlider* haut, QSlider* bas, int32_t valeurHaut, int32_t valeurBas)
{
    const bool actifs = EvenementsActifs;
    EvenementsActifs = false;
    haut->setValue(valeurHaut);
    bas->setValue(valeurBas);
    EvenementsActifs = actifs;
}

void TPretraitement::FixerPlagesCurseurs()
{
    const int32_t type = TypeImages();
    if (type != tiFit && type != tiBmp)
        return;
    const bool actifs = EvenementsActifs;
    EvenementsActifs = false;
    for (QSlider* s : {TrckBrDarkSeuilHaut, TrckBrDarkSeuilBas, TrckBrFlatSeuilHaut, TrckBrFlatSeuilBas,
                       TrckBrOffsetSeuilHaut, TrckBrOffsetSeuilBas, TrckBrRegistrationSeuilHaut,
                       TrckBrRegistrationSeuilBas, TrckBrResultatFitSeuilHaut, TrckBrResultatFitSeuilBas,
                       TrckBrResultatBmpSeuilHaut, TrckBrResultatBmpSeuilBas}) {
        s->setSingleStep(type == tiFit ? 100 : 1);
        s->setMaximum(type == tiFit ? 65535 : 255);
        s->setPageStep(type == tiFit ? 1000 : 4);
    }
    EvenementsActifs = actifs;
}

// ---------------------------------------------------------------------------
// Masters

TPretraitement::TOngletMaster TPretraitement::Onglet(QListWidget* liste)
{
    if (liste == LstBxDarks)
        return {LstBxDarks, CmbBxDarkMedianeMoyenne, TrckBrDarkSeuilHaut, TrckBrDarkSeuilBas, ImgDark, &DarkFit,
                &DarkBmp, &MasterDarkCalcule, QStringLiteral("Dark")};
    if (liste == LstBxFlats)
        return {LstBxFlats, CmbBxFlatMedianeMoyenne, TrckBrFlatSeuilHaut, TrckBrFlatSeuilBas, ImgFlat, &FlatFit,
                &FlatBmp, &MasterFlatCalcule, QStringLiteral("Flat")};
    return {LstBxOffsets, CmbBxOffsetMedianeMoyenne, TrckBrOffsetSeuilHaut, TrckBrOffsetSeuilBas, ImgOffset,
            &OffsetFit, &OffsetBmp, &MasterOffsetCalcule, QStringLiteral("Offset")};
}

void TPretraitement::BtBtnDarkProcessClick() { CalculerMaster(Onglet(LstBxDarks)); }
void TPretraitement::BtBtnFlatProcessClick() { CalculerMaster(Onglet(LstBxFlats)); }
void TPretraitement::BtBtnOffsetProcessClick() { CalculerMaster(Onglet(LstBxOffsets)); }
void TPretraitement::BtBtnDarkEnregistrerSousClick() { EnregistrerMaster(Onglet(LstBxDarks)); }
void TPretraitement::BtBtnFlatEnregistrerSousClick() { EnregistrerMaster(Onglet(LstBxFlats)); }
void TPretraitement::BtBtnOffsetEnregistrerSousClick() { EnregistrerMaster(Onglet(LstBxOffsets)); }

void TPretraitement::CalculerMaster(const TOngletMaster& o)
{
    PurgerListes();
    if (o.Liste->count() == 0)
        return;
    FixerPlagesCurseurs();
    const bool mediane = o.Combo->currentIndex() != 1;
    if (mediane) {
        LblMessage->setText(TexteCalculMaster);
        LblMessage->repaint();
    }
    const TEffacerMessage effacer{LblMessage, mediane};
    TSablier sablier;
    const QStringList chemins = Chemins(o.Liste);
    const TProgression progression = [this](const QString& texte) {
        LblMessage->setText(texte);
        LblMessage->repaint();
    };
    // The combination goes into a new object: the shown master is replaced
    // only when it succeeded.
    switch (TypeImages()) {
    case tiFit: {
        THistoFit master;
        CreerHistoFit(master);
        if (mediane)
            MedianeListeFit(chemins, master);
        else
            MoyenneListeFit(chemins, master, progression, TexteCalculMaster);
        Remplacer(*o.Fit, std::move(master));
        AfficherFit(*o.Fit, true);
        *o.Calcule = true;
        PlacerCurseurs(o.Haut, o.Bas, o.Fit->SMax, o.Fit->SMin);
        break;
    }
    case tiBmp: {
        THistoBmp master;
        CreerHistoBmp(master);
        if (mediane)
            MedianeListeBmp(chemins, master);
        else
            MoyenneListeBmp(chemins, master, progression, TexteCalculMaster);
        if (master.BitmapSource.isNull())
            LeverErreur(QStringLiteral("Le master ne peut être calculé que sur des images 8 ou 24 bits."));
        Remplacer(*o.Bmp, std::move(master));
        AfficherBmp(*o.Bmp, true);
        *o.Calcule = true;
        PlacerCurseurs(o.Haut, o.Bas, o.Bmp->SMax, o.Bmp->SMin);
        break;
    }
    default:
        break;
    }
}

void TPretraitement::EnregistrerMaster(const TOngletMaster& o)
{
    if (!*o.Calcule)
        return;
    switch (TypeImages()) {
    case tiFit: {
        if (!o.Fit->PixelsPresents())
            return;
        const QString nom = SvDlgEnregistrerSousFit.ExecuterEnregistrement(this);
        if (nom.isEmpty())
            return;
        EnregistrerFit(*o.Fit, nom);
        break;
    }
    case tiBmp: {
        if (o.Bmp->BitmapSource.isNull())
            return;
        const QString nom = SvDlgEnregistrerSousBmp.ExecuterEnregistrement(this);
        if (nom.isEmpty())
            return;
        EnregistrerBmp(*o.Bmp, nom, true);
        break;
    }
    default:
        return;
    }
    LblMessage->setText(QStringLiteral("Master ") + o.Nom + QStringLiteral(" enregistré."));
}

void TPretraitement::SeuilsAutoMaster(const TOngletMaster& o)
{
    if (!*o.Calcule)
        return;
    switch (TypeImages()) {
    case tiFit:
        FixerSeuilsFit(*o.Fit, SeuilMiniAutoFit(*o.Fit), SeuilMaxiAutoFit(*o.Fit), true, true);
        PlacerCurseurs(o.Haut, o.Bas, o.Fit->SMax, o.Fit->SMin);
        break;
    case tiBmp:
        FixerSeuilsBmp(*o.Bmp, SeuilMiniBmpDefaut(), SeuilMaxiBmpDefaut(), true, true);
        PlacerCurseurs(o.Haut, o.Bas, o.Bmp->SMax, o.Bmp->SMin);
        break;
    default:
        break;
    }
}

void TPretraitement::CurseurMasterChange(const TOngletMaster& o)
{
    o.Haut->setToolTip(QStringLiteral("Seuil haut : ") + EntierEnTexte(o.Haut->value()));
    o.Bas->setToolTip(QStringLiteral("Seuil bas : ") + EntierEnTexte(o.Bas->value()));
    if (!EvenementsActifs || !*o.Calcule)
        return;
    switch (TypeImages()) {
    case tiFit:
        FixerSeuilsFit(*o.Fit, o.Bas->value(), o.Haut->value(), true, true);
        break;
    case tiBmp:
        FixerSeuilsBmp(*o.Bmp, o.Bas->value(), o.Haut->value(), true, true);
        break;
    default:
        break;
    }
}
