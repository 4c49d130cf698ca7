#include "UVisionneuse.h"

#include "ui_UVisionneuse.h"

#include "PApplication.h"
#include "PCurseur.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "UAnimation.h"
#include "UEnteteFit.h"
#include "UMain.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"
#include "UParametres.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <numeric>

std::function<void(const QString&, const TStatistiquesImage&)> TVisionneuse::AfficherStatistiquesHook;
std::function<void(const QStringList&)> TVisionneuse::AjouterBrutesHook;
std::function<void(TVisionneuse&)> TVisionneuse::EnregistrerSelectionHook;

namespace {

const int LargeurMinimale = 548;
const int HauteurMinimale = 423;
const int MaxFit = 65535;
const int MaxBmp = 255;
const QString TexteIntrouvable = QStringLiteral("Le fichier n'est pas trouvé.");
const QString TexteAnimer = QStringLiteral("Animer la sélection d'images");
const QString TexteStopper = QStringLiteral("Stopper l'animation");
const QString TexteAnimationEnCours =
    QStringLiteral("Animation en cours, cliquez sur 'Stopper l'animation' pour arreter.");
// The folder of each line is the item's data.
const int RoleRepertoire = Qt::UserRole;

// Lines ended by CR LF, LF or CR, as the line counter of the list file sees them.
QStringList DecouperLignes(const QString& texte)
{
    QStringList lignes;
    qsizetype i = 0;
    const qsizetype n = texte.size();
    while (i < n) {
        const qsizetype debut = i;
        while (i < n && texte[i] != QLatin1Char('\n') && texte[i] != QLatin1Char('\r'))
            ++i;
        lignes << texte.mid(debut, i - debut);
        if (i < n && texte[i] == QLatin1Char('\r'))
            ++i;
        if (i < n && texte[i] == QLatin1Char('\n'))
            ++i;
    }
    return lignes;
}

// Files written here are UTF-8; older ones in a Western code page still read.
QString DecoderTexte(const QByteArray& contenu)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = utf8(contenu);
    if (!utf8.hasError())
        return texte;
    return QString::fromLatin1(contenu);
}

[[noreturn]] void FichierIncorrect(int ligne, const QString& raison)
{
    LeverErreur(QStringLiteral("Fichier de configuration de visionneuse incorrect, ligne ") + EntierEnTexte(ligne)
                + QStringLiteral(" : ") + raison);
}

int32_t EntierBorne(const QStringList& lignes, int numero, int32_t mini, int32_t maxi)
{
    const int32_t v = ConvertirEntier(lignes[numero - 1]);
    if (v < mini || v > maxi)
        FichierIncorrect(numero, QStringLiteral("'") + lignes[numero - 1] + QStringLiteral("' n'est pas compris entre ")
                                     + EntierEnTexte(mini) + QStringLiteral(" et ") + EntierEnTexte(maxi) + QStringLiteral("."));
    return v;
}

bool Avant(const TLigneVisionneuse& a, const TLigneVisionneuse& b)
{
    return ComparerNomsFichiers(b.Chemin(), a.Chemin());
}

// The list control's alphabetical order: case aside first.
bool AvantAlphabetique(const TLigneVisionneuse& a, const TLigneVisionneuse& b)
{
    const int c = a.Nom.compare(b.Nom, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.Nom < b.Nom;
}

// Runs a command with the slide show held: a tick never runs inside a
// dialog or an error box the command opens.
class TPauseAnimation {
public:
    TPauseAnimation(QTimer* minuterie, const QAbstractButton* bouton) : FMinuterie(minuterie), FBouton(bouton)
    {
        FReprendre = FMinuterie->isActive();
        if (FReprendre)
            FMinuterie->stop();
    }
    ~TPauseAnimation()
    {
        if (FReprendre && FBouton->isChecked() && !FMinuterie->isActive())
            FMinuterie->start();
    }

private:
    QTimer* FMinuterie;
    const QAbstractButton* FBouton;
    bool FReprendre = false;
};

} // namespace

// ---------------------------------------------------------------------------
// List file

QByteArray TexteFichierVisionneuse(const TConfigurationVisionneuse& c)
{
    QStringList lignes{QStringLiteral("Stelor 2.0 Avril 2008"), QStringLiteral("Configuration de visionneuse")};
    for (int32_t v : {c.Largeur, c.Hauteur, c.ImagesParcourues, c.PeriodeAnimation, c.SensAnimation})
        lignes << EntierEnTexte(v);
    lignes << (c.BoucleAnimation ? QStringLiteral("1") : QStringLiteral("0"));
    lignes << (c.Positif ? QStringLiteral("1") : QStringLiteral("0"));
    for (int32_t v : {c.PositionBasFit, c.PositionHautFit, c.PositionBasBmp, c.PositionHautBmp, c.Selection})
        lignes << EntierEnTexte(v);
    for (const TLigneVisionneuse& l : c.Lignes)
        lignes << l.Chemin() << (l.Cochee ? QStringLiteral("1") : QStringLiteral("0"));
    QByteArray texte;
    for (const QString& l : lignes)
        texte += l.toUtf8() + "\r\n";
    return texte;
}

TConfigurationVisionneuse AnalyserFichierVisionneuse(const QByteArray& contenu)
{
    const QStringList lignes = DecouperLignes(DecoderTexte(contenu));
    if (lignes.size() < 14)
        FichierIncorrect(lignes.size() + 1, QStringLiteral("le fichier s'arrête avant la fin de son en-tête."));
    TConfigurationVisionneuse c;
    c.Largeur = ConvertirEntier(lignes[2]);
    c.Hauteur = ConvertirEntier(lignes[3]);
    c.ImagesParcourues = EntierBorne(lignes, 5, 0, 2);
    c.PeriodeAnimation = ConvertirEntier(lignes[5]);
    c.SensAnimation = EntierBorne(lignes, 7, 0, 1);
    c.BoucleAnimation = lignes[7] == QStringLiteral("1");
    c.Positif = lignes[8] != QStringLiteral("0");
    c.PositionBasFit = ConvertirEntier(lignes[9]);
    c.PositionHautFit = ConvertirEntier(lignes[10]);
    c.PositionBasBmp = ConvertirEntier(lignes[11]);
    c.PositionHautBmp = ConvertirEntier(lignes[12]);
    c.Selection = ConvertirEntier(lignes[13]);
    for (qsizetype i = 14; i < lignes.size(); i += 2) {
        const QString& chemin = lignes[i];
        if (chemin.isEmpty())
            continue; // a blank line left at the end of a hand-edited file
        TLigneVisionneuse l;
        l.Repertoire = CheminFichier(chemin);
        l.Nom = NomFichierSansChemin(chemin);
        l.Cochee = i + 1 < lignes.size() && lignes[i + 1] == QStringLiteral("1");
        c.Lignes << l;
    }
    return c;
}

void TrierLignesParSerie(QList<TLigneVisionneuse>& lignes)
{
    std::stable_sort(lignes.begin(), lignes.end(), Avant);
}

// ---------------------------------------------------------------------------
// Picture control

TImageVisualisation::TImageVisualisation(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ImgVisualisation"));
    setContextMenuPolicy(Qt::CustomContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(0, 0);
}

void TImageVisualisation::FixerImage(const QImage& image)
{
    FPicture = image;
    if (size() != image.size())
        resize(image.size());
    update();
}

void TImageVisualisation::Vider()
{
    FPicture = QImage();
    resize(0, 0);
    update();
}

void TImageVisualisation::paintEvent(QPaintEvent* evenement)
{
    QPainter p(this);
    const QRect zone = evenement->rect();
    p.fillRect(zone, palette().window());
    if (!FPicture.isNull())
        p.drawImage(zone.topLeft(), FPicture, zone);
}

// ---------------------------------------------------------------------------
// Creation

TVisionneuse* VisionneuseActive()
{
    if (!Main)
        return nullptr;
    TMDIChild* f = Main->FenetreActive();
    return f && f->Tag() == GenreVisionneuse ? dynamic_cast<TVisionneuse*>(f) : nullptr;
}

TVisionneuse::TVisionneuse(QWidget* parent)
    : TMDIChild(GenreVisionneuse, parent), FUi(std::make_unique<Ui::TVisionneuse>())
{
    auto* contenu = new QWidget(this);
    FUi->setupUi(contenu);
    setWidget(contenu);
    setObjectName(QStringLiteral("Visionneuse"));
    ChckLstBxImages = FUi->ChckLstBxImages;
    SttcTxtNomImage = FUi->SttcTxtNomImage;
    LblMessageListe = FUi->LblMessageListe;
    LblMessageImgVisualisation = FUi->LblMessageImgVisualisation;
    ScrllBxVisualisation = FUi->ScrllBxVisualisation;
    TrckBrSeuilHaut = FUi->TrckBrSeuilHaut;
    TrckBrSeuilBas = FUi->TrckBrSeuilBas;
    BtBtnSeuilsAuto = FUi->BtBtnSeuilsAuto;
    ChckBxSeuilsAuto = FUi->ChckBxSeuilsAuto;
    SpdBttnPositifNegatif = FUi->SpdBttnPositifNegatif;
    SpdBttnTout = FUi->SpdBttnTout;
    SpdBttnSelectionnes = FUi->SpdBttnSelectionnes;
    SpdBttnDeselectionnes = FUi->SpdBttnDeselectionnes;
    UDwnImages = FUi->UDwnImages;
    BtBtnEffacer = FUi->BtBtnEffacer;
    BtBtnOuvrir = FUi->BtBtnOuvrir;
    BtBtnEnregistrerConfiguration = FUi->BtBtnEnregistrerConfiguration;
    BtBtnChargerConfiguration = FUi->BtBtnChargerConfiguration;
    BtBtnEnregistrerSelection = FUi->BtBtnEnregistrerSelection;
    SpdBttnAnimer = FUi->SpdBttnAnimer;
    BtBtnPretraitement = FUi->BtBtnPretraitement;
    BtBtnAide = FUi->BtBtnAide;

    ImgVisualisation = new TImageVisualisation;
    ScrllBxVisualisation->setWidget(ImgVisualisation);
    ScrllBxVisualisation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ChckLstBxImages->setSelectionMode(QAbstractItemView::SingleSelection);
    ChckLstBxImages->setUniformItemSizes(true);
    ChckLstBxImages->installEventFilter(this);
    LblMessageListe->installEventFilter(this);
    LblMessageImgVisualisation->installEventFilter(this);
    // Position 0 at the top: the top of a slider is the highest threshold.
    for (QSlider* s : {TrckBrSeuilHaut, TrckBrSeuilBas}) {
        s->setInvertedAppearance(true);
        s->setInvertedControls(true);
    }
    TmrAnimation = new QTimer(this);
    TmrAnimation->setObjectName(QStringLiteral("TmrAnimation"));

    const TProprietaire cible = [this](const QImage& image) { ImgVisualisation->FixerImage(image); };
    CreerHistoFit(ImageFit, cible);
    CreerHistoBmp(ImageBmp, cible);
    MajActive = true;
    FixerDefilementTempsReel(LireDefilImgTpsReel());
    Numero = Main ? Main->NouveauNumeroVisionneuse() : 0;
    setWindowTitle(QStringLiteral("#") + EntierEnTexte(Numero) + QStringLiteral(" Visionneuse"));
    CreerMenus();
    ActualiserMenuImages();

    connect(ChckLstBxImages, &QListWidget::currentRowChanged, this, [this](int) {
        if (!FSelectionParProgramme)
            DemanderRendu();
    });
    connect(ChckLstBxImages, &QListWidget::itemClicked, this, [this](QListWidgetItem*) { DemanderRendu(); });
    connect(ChckLstBxImages, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PppMnImages->popup(ChckLstBxImages->viewport()->mapToGlobal(p)); });
    connect(ImgVisualisation, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PppMnImage->popup(ImgVisualisation->mapToGlobal(p)); });
    connect(TrckBrSeuilBas, &QSlider::valueChanged, this, [this](int) { Commande([this] { TrckBrSeuilChange(true); }); });
    connect(TrckBrSeuilHaut, &QSlider::valueChanged, this,
            [this](int) { Commande([this] { TrckBrSeuilChange(false); }); });
    connect(BtBtnSeuilsAuto, &QPushButton::clicked, this, [this] { Commande([this] { BtBtnSeuilsAutoClick(); }); });
    connect(ChckBxSeuilsAuto, &QCheckBox::toggled, this, [this](bool coche) {
        if (coche)
            Commande([this] { BtBtnSeuilsAutoClick(); });
    });
    connect(SpdBttnPositifNegatif, &QToolButton::clicked, this,
            [this] { Commande([this] { SpdBttnPositifNegatifClick(); }); });
    connect(SpdBttnTout, &QToolButton::clicked, this, [this] { ImagesParcourues = 0; });
    connect(SpdBttnSelectionnes, &QToolButton::clicked, this, [this] { ImagesParcourues = 1; });
    connect(SpdBttnDeselectionnes, &QToolButton::clicked, this, [this] { ImagesParcourues = 2; });
    RelierHautBas(UDwnImages, [this](TBoutonHautBas bouton) {
        Commande([this, bouton] { DeplacerLigne(bouton == TBoutonHautBas::Suivant); });
    });
    connect(BtBtnEffacer, &QPushButton::clicked, this, [this] { Commande([this] { EffacerListe(); }); });
    connect(BtBtnOuvrir, &QPushButton::clicked, this, [this] { Commande([this] { BtBtnOuvrirClick(); }); });
    connect(BtBtnEnregistrerConfiguration, &QPushButton::clicked, this,
            [this] { Commande([this] { BtBtnEnregistrerConfigurationClick(); }); });
    connect(BtBtnChargerConfiguration, &QPushButton::clicked, this,
            [this] { Commande([this] { BtBtnChargerConfigurationClick(); }); });
    connect(BtBtnEnregistrerSelection, &QPushButton::clicked, this, [this] {
        Commande([this] {
            if (ChckLstBxImages->count() > 0 && EnregistrerSelectionHook)
                EnregistrerSelectionHook(*this);
        });
    });
    connect(BtBtnPretraitement, &QToolButton::clicked, this, [this] {
        Commande([this] {
            if (ChckLstBxImages->count() > 0)
                Pretraitement();
        });
    });
    connect(SpdBttnAnimer, &QPushButton::clicked, this, [this] { Commande([this] { SpdBttnAnimerClick(); }); });
    connect(TmrAnimation, &QTimer::timeout, this, [this] { Commande([this] { TmrAnimationTimer(); }); });

    setMinimumSize(LargeurMinimale, HauteurMinimale);
    resize(LargeurMinimale, HauteurMinimale);
}

TVisionneuse::~TVisionneuse()
{
    TmrAnimation->stop();
    DetruireHistoFit(ImageFit);
    DetruireHistoBmp(ImageBmp);
}

void TVisionneuse::Commande(const std::function<void()>& action)
{
    const TPauseAnimation pause(TmrAnimation, SpdBttnAnimer);
    ExecuterCommande(action);
}

void TVisionneuse::Relier(QAction* item, void (TVisionneuse::*operation)())
{
    connect(item, &QAction::triggered, this, [this, operation] { Commande([this, operation] { (this->*operation)(); }); });
}

void TVisionneuse::CreerMenus()
{
    auto item = [this](QMenu* menu, const char* nom, const QString& texte, void (TVisionneuse::*operation)()) {
        QAction* a = menu->addAction(texte);
        a->setObjectName(QString::fromLatin1(nom));
        Relier(a, operation);
        return a;
    };
    PppMnImages = new QMenu(this);
    PppMnImages->setObjectName(QStringLiteral("PppMnImages"));
    MnItmEffacerLigne = item(PppMnImages, "MnItmEffacerLigne", QStringLiteral("Effacer la ligne"), &TVisionneuse::EffacerLigne);
    MnItmEffacerLigne->setShortcut(QKeySequence(Qt::Key_Delete));
    MnItmEffacerLigne->setShortcutContext(Qt::WidgetShortcut);
    ChckLstBxImages->addAction(MnItmEffacerLigne);
    MnItmToutEffacer = item(PppMnImages, "MnItmToutEffacer", QStringLiteral("Tout effacer"), &TVisionneuse::EffacerListe);
    MnItmEffacerDecochees = item(PppMnImages, "MnItmEffacerDecochees", QStringLiteral("Effacer les lignes décochées"),
                                 &TVisionneuse::EffacerLignesDecochees);
    PppMnImages->addSeparator();
    MnItmToutCocher = item(PppMnImages, "MnItmToutCocher", QStringLiteral("Tout cocher"), &TVisionneuse::ToutCocher);
    MnItmToutDecocher = item(PppMnImages, "MnItmToutDecocher", QStringLiteral("Tout décocher"), &TVisionneuse::ToutDecocher);
    MnItmInverserSelection = item(PppMnImages, "MnItmInverserSelection", QStringLiteral("Inverser la sélection"),
                                  &TVisionneuse::InverserSelection);
    PppMnImages->addSeparator();
    MnItmTriAlphanumerique = item(PppMnImages, "MnItmTriAlphanumerique", QStringLiteral("Tri alphanumérique"),
                                  &TVisionneuse::TriAlphanumerique);
    MnItmTriParSerie = item(PppMnImages, "MnItmTriParSerie", QStringLiteral("Tri par série"), &TVisionneuse::TrierParSerie);
    PppMnImages->addSeparator();
    MnItmPretraitement = item(PppMnImages, "MnItmPretraitement", QStringLiteral("Prétraitement (éléments cochés)"),
                              &TVisionneuse::Pretraitement);

    PppMnImage = new QMenu(this);
    PppMnImage->setObjectName(QStringLiteral("PppMnImage"));
    MnItmOuvrir = item(PppMnImage, "MnItmOuvrir", QStringLiteral("Ouvrir"), &TVisionneuse::OuvrirImageSelectionnee);
    // The frame's "Copier" owns Ctrl+C: the popup only shows it.
    MnItmCopier = item(PppMnImage, "MnItmCopier", QStringLiteral("Copier\tCtrl+C"), &TVisionneuse::MnItmCopierClick);
    PppMnImage->addSeparator();
    MnItmStatistiques = item(PppMnImage, "MnItmStatistiques", QStringLiteral("Statistiques"), &TVisionneuse::MnItmStatistiquesClick);
    MnItmEnteteFit = item(PppMnImage, "MnItmEnteteFit", QStringLiteral("Entête Fit"), &TVisionneuse::AfficherEnteteFit);
}

void TVisionneuse::FixerDefilementTempsReel(bool suivre)
{
    ScrllBxVisualisation->horizontalScrollBar()->setTracking(suivre);
    ScrllBxVisualisation->verticalScrollBar()->setTracking(suivre);
}

void TVisionneuse::FormClose(TActionFermeture& action)
{
    TMDIChild::FormClose(action);
    TmrAnimation->stop();
}

// ---------------------------------------------------------------------------
// Layout: offsets from the window's outer size, the client area being the
// outer size less a 34-pixel caption and frame and 8 pixels of borders.

void TVisionneuse::resizeEvent(QResizeEvent* evenement)
{
    TMDIChild::resizeEvent(evenement);
    Disposer();
}

void TVisionneuse::Disposer()
{
    if (!widget())
        return;
    const int W = widget()->width() + 8;
    const int H = widget()->height() + 34;
    ChckLstBxImages->setGeometry(4, 8, 190, std::max(20, H - 134));
    for (QWidget* w : std::initializer_list<QWidget*>{BtBtnEffacer, BtBtnOuvrir, UDwnImages, SpdBttnTout,
                                                      SpdBttnSelectionnes, SpdBttnDeselectionnes})
        w->move(w->x(), H - 115);
    // The picture's summary has the width under the picture and the
    // threshold buttons, on two lines when it needs them; the list's message
    // has the whole row below, where the slide show's notice is read whole.
    ScrllBxVisualisation->setGeometry(200, 24, std::max(20, W - 268), std::max(20, H - 152));
    LblMessageImgVisualisation->setGeometry(200, H - 126, std::max(20, W - 212),
                                            2 * LblMessageImgVisualisation->fontMetrics().lineSpacing());
    LblMessageListe->setGeometry(4, H - 92, std::max(20, W - 16), LblMessageListe->height());
    // The configuration and selection rows: their buttons in columns after
    // the longer caption, each button as wide as its text needs.
    for (QPushButton* b : {BtBtnEnregistrerConfiguration, BtBtnChargerConfiguration, BtBtnEnregistrerSelection,
                           SpdBttnAnimer})
        b->resize(std::max(b->width(), b->fontMetrics().horizontalAdvance(b->text()) + 12), b->height());
    const int x1 = 8 + std::max(FUi->LblConfiguration->sizeHint().width(), FUi->LblSelection->sizeHint().width());
    const int x2 = x1 + 2 + std::max(BtBtnEnregistrerConfiguration->width(), BtBtnEnregistrerSelection->width());
    const int x3 = x2 + 2 + std::max(BtBtnChargerConfiguration->width(), SpdBttnAnimer->width());
    FUi->LblConfiguration->setGeometry(4, H - 75, x1 - 8, FUi->LblConfiguration->height());
    BtBtnEnregistrerConfiguration->move(x1, H - 75);
    BtBtnChargerConfiguration->move(x2, H - 75);
    FUi->LblSelection->setGeometry(4, H - 54, x1 - 8, FUi->LblSelection->height());
    BtBtnEnregistrerSelection->move(x1, H - 54);
    SpdBttnAnimer->move(x2, H - 54);
    BtBtnPretraitement->move(x3, H - 54);
    SpdBttnPositifNegatif->move(W - 63, 4);
    SttcTxtNomImage->setGeometry(200, 4, std::max(20, W - 267), 16);
    TrckBrSeuilHaut->setGeometry(W - 63, 28, 22, std::max(20, H - 185));
    TrckBrSeuilBas->setGeometry(W - 32, 28, 22, std::max(20, H - 185));
    BtBtnSeuilsAuto->move(W - 59, H - 150);
    ChckBxSeuilsAuto->move(W - 28, H - 146);
    BtBtnAide->move(W - 50, H - 56);
}

// ---------------------------------------------------------------------------
// Lines

TLigneVisionneuse TVisionneuse::Ligne(int index) const
{
    const QListWidgetItem* i = ChckLstBxImages->item(index);
    return {i->text(), i->data(RoleRepertoire).toString(), i->checkState() == Qt::Checked};
}

bool TVisionneuse::EstCochee(int index) const { return ChckLstBxImages->item(index)->checkState() == Qt::Checked; }

QList<TLigneVisionneuse> TVisionneuse::Lignes() const
{
    QList<TLigneVisionneuse> lignes;
    lignes.reserve(ChckLstBxImages->count());
    for (int i = 0; i < ChckLstBxImages->count(); ++i)
        lignes << Ligne(i);
    return lignes;
}

QStringList TVisionneuse::CheminsCoches() const
{
    QStringList chemins;
    for (int i = 0; i < ChckLstBxImages->count(); ++i)
        if (EstCochee(i))
            chemins << Ligne(i).Chemin();
    return chemins;
}

int TVisionneuse::LigneSelectionnee() const { return ChckLstBxImages->currentRow(); }

QString TVisionneuse::RepertoireLigneSelectionnee() const
{
    const int i = LigneSelectionnee();
    return i >= 0 ? Ligne(i).Repertoire : QString();
}

QString TVisionneuse::CheminSelection() const
{
    const int i = LigneSelectionnee();
    return i >= 0 ? Ligne(i).Chemin() : QString();
}

bool TVisionneuse::FichierExiste() const
{
    const QString chemin = CheminSelection();
    return !chemin.isEmpty() && QFileInfo(chemin).isFile();
}

bool TVisionneuse::ImagePrete()
{
    if (LigneSelectionnee() < 0)
        return false;
    if (!FichierExiste()) {
        SignalerFichierIntrouvable();
        return false;
    }
    return FImageChargee;
}

bool TVisionneuse::EstFit() const
{
    const int i = LigneSelectionnee();
    return i >= 0 && TypeFichier(ChckLstBxImages->item(i)->text()) == tiFit;
}

void TVisionneuse::AjouterLigne(const TLigneVisionneuse& ligne)
{
    auto* item = new QListWidgetItem(ligne.Nom);
    item->setData(RoleRepertoire, ligne.Repertoire);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(ligne.Cochee ? Qt::Checked : Qt::Unchecked);
    ChckLstBxImages->addItem(item);
}

// Rewrites the lines in place: the count is the same, no item is recreated.
void TVisionneuse::RemplacerLignes(const QList<TLigneVisionneuse>& lignes)
{
    ChckLstBxImages->setUpdatesEnabled(false);
    for (int i = 0; i < lignes.size(); ++i) {
        QListWidgetItem* item = ChckLstBxImages->item(i);
        item->setText(lignes[i].Nom);
        item->setData(RoleRepertoire, lignes[i].Repertoire);
        item->setCheckState(lignes[i].Cochee ? Qt::Checked : Qt::Unchecked);
    }
    ChckLstBxImages->setUpdatesEnabled(true);
}

// Progress in the list's label, repainted at once but at most ten times a
// second: a long list is not slowed by its own counter.
void TVisionneuse::MontrerProgression(const QString& texte, bool forcer)
{
    const qint64 maintenant = QDateTime::currentMSecsSinceEpoch();
    if (!forcer && maintenant - FDernierAffichageProgression < 100)
        return;
    FDernierAffichageProgression = maintenant;
    LblMessageListe->setText(texte);
    LblMessageListe->repaint();
}

void TVisionneuse::AfficherNombreImages()
{
    const int n = ChckLstBxImages->count();
    LblMessageListe->setText(n > 0 ? EntierEnTexte(n) + QStringLiteral(" image(s)") : QString());
}

void TVisionneuse::ActualiserMenuImages()
{
    const bool lignes = ChckLstBxImages->count() > 0;
    for (QAction* a : PppMnImages->actions())
        a->setEnabled(lignes);
}

void TVisionneuse::AjouterFichiers(const QStringList& chemins)
{
    if (chemins.isEmpty())
        return;
    const TSablier sablier;
    const bool vide = ChckLstBxImages->count() == 0;
    ChckLstBxImages->setUpdatesEnabled(false);
    FDernierAffichageProgression = 0;
    qsizetype reste = chemins.size();
    for (const QString& chemin : chemins) {
        const QString repertoire = CheminFichier(chemin);
        Repertoires << repertoire;
        AjouterLigne({NomFichierSansChemin(chemin), repertoire, false});
        MontrerProgression(EntierEnTexte(--reste));
    }
    ChckLstBxImages->setUpdatesEnabled(true);
    ActualiserMenuImages();
    AfficherNombreImages();
    if (!vide)
        return;
    QList<TLigneVisionneuse> lignes = Lignes();
    std::stable_sort(lignes.begin(), lignes.end(), AvantAlphabetique);
    RemplacerLignes(lignes);
    FSelectionParProgramme = true;
    ChckLstBxImages->setCurrentRow(0);
    FSelectionParProgramme = false;
    InitialiserSeuils();
    ChckLstBxImagesClick();
    GrandirALImage();
}

void TVisionneuse::GrandirALImage()
{
    if (isMaximized())
        return;
    const int l = ImgVisualisation->width(), h = ImgVisualisation->height();
    if (l + 275 > width() || h + 140 > height())
        FixerTailleDansZone(*this, std::max(l + 275, LargeurMinimale), std::max(h + 140, HauteurMinimale));
}

void TVisionneuse::BtBtnOuvrirClick()
{
    const QStringList noms = Dialogues::ChoisirFichiersOuverture(
        this, QStringLiteral("Ouvrir"),
        QStringLiteral("Fichier fit (*.fit);;Fichier bitmap (*.bmp);;Fichier fit et bitmap (*.fit *.bmp)"), {}, true);
    AjouterFichiers(noms);
}

void TVisionneuse::EffacerListe()
{
    FSelectionParProgramme = true;
    ChckLstBxImages->clear();
    FSelectionParProgramme = false;
    FRenduEnAttente = false;
    Repertoires.clear();
    ActualiserMenuImages();
    AfficherNombreImages();
    ViderVue();
    SttcTxtNomImage->clear();
}

void TVisionneuse::EffacerLigne()
{
    const int i = LigneSelectionnee();
    if (i < 0)
        return;
    FSelectionParProgramme = true;
    delete ChckLstBxImages->takeItem(i);
    FSelectionParProgramme = false;
    ActualiserMenuImages();
    AfficherNombreImages();
    if (ChckLstBxImages->count() > 0)
        SelectionnerLigne(std::min(i, ChckLstBxImages->count() - 1));
    else
        EffacerListe();
}

void TVisionneuse::EffacerLignesDecochees()
{
    bool retiree = false;
    FSelectionParProgramme = true;
    for (int i = ChckLstBxImages->count() - 1; i >= 0; --i)
        if (!EstCochee(i)) {
            delete ChckLstBxImages->takeItem(i);
            retiree = true;
        }
    FSelectionParProgramme = false;
    if (!retiree)
        return;
    ActualiserMenuImages();
    AfficherNombreImages();
    if (ChckLstBxImages->count() > 0)
        SelectionnerLigne(0);
    else
        EffacerListe();
}

void TVisionneuse::ToutCocher()
{
    for (int i = 0; i < ChckLstBxImages->count(); ++i)
        ChckLstBxImages->item(i)->setCheckState(Qt::Checked);
}

void TVisionneuse::ToutDecocher()
{
    for (int i = 0; i < ChckLstBxImages->count(); ++i)
        ChckLstBxImages->item(i)->setCheckState(Qt::Unchecked);
}

void TVisionneuse::InverserSelection()
{
    for (int i = 0; i < ChckLstBxImages->count(); ++i)
        ChckLstBxImages->item(i)->setCheckState(EstCochee(i) ? Qt::Unchecked : Qt::Checked);
}

void TVisionneuse::TriAlphanumerique()
{
    if (ChckLstBxImages->count() == 0)
        return;
    QList<TLigneVisionneuse> lignes = Lignes();
    std::stable_sort(lignes.begin(), lignes.end(), AvantAlphabetique);
    RemplacerLignes(lignes);
    // The row stays; the line on it may be another file.
    if (LigneSelectionnee() >= 0)
        SelectionnerLigne(LigneSelectionnee());
}

void TVisionneuse::TrierParSerie()
{
    const int n = ChckLstBxImages->count();
    if (n == 0)
        return;
    const TSablier sablier;
    MontrerProgression(QStringLiteral("Analyse : ") + EntierEnTexte(n), true);
    const QList<TLigneVisionneuse> lignes = Lignes();
    MontrerProgression(QStringLiteral("Tri : ") + EntierEnTexte(n), true);
    std::vector<int> ordre(static_cast<size_t>(n));
    std::iota(ordre.begin(), ordre.end(), 0);
    std::stable_sort(ordre.begin(), ordre.end(), [&](int a, int b) { return Avant(lignes[a], lignes[b]); });
    QList<TLigneVisionneuse> triees;
    triees.reserve(n);
    const int ancienne = LigneSelectionnee();
    int nouvelle = -1;
    for (int r = 0; r < n; ++r) {
        triees << lignes[ordre[r]];
        if (ordre[r] == ancienne)
            nouvelle = r;
    }
    // The first of the selected record's group of equals.
    while (nouvelle > 0 && !Avant(triees[nouvelle - 1], triees[nouvelle]))
        --nouvelle;
    Repertoires.clear();
    for (const TLigneVisionneuse& l : triees)
        Repertoires << l.Repertoire;
    RemplacerLignes(triees);
    ActualiserMenuImages();
    AfficherNombreImages();
    SelectionnerLigne(nouvelle);
}

void TVisionneuse::DeplacerLigne(bool versLeHaut)
{
    const int i = LigneSelectionnee();
    if (i < 0)
        return;
    const int j = versLeHaut ? i - 1 : i + 1;
    if (j < 0 || j >= ChckLstBxImages->count())
        return;
    const TLigneVisionneuse a = Ligne(i), b = Ligne(j);
    auto ecrire = [this](int index, const TLigneVisionneuse& l) {
        QListWidgetItem* item = ChckLstBxImages->item(index);
        item->setText(l.Nom);
        item->setData(RoleRepertoire, l.Repertoire);
        item->setCheckState(l.Cochee ? Qt::Checked : Qt::Unchecked);
    };
    ecrire(i, b);
    ecrire(j, a);
    FSelectionParProgramme = true;
    ChckLstBxImages->setCurrentRow(j);
    FSelectionParProgramme = false;
}

// ---------------------------------------------------------------------------
// Rendering

void TVisionneuse::ViderVue()
{
    FImageChargee = false;
    ImgVisualisation->Vider();
    LblMessageImgVisualisation->clear();
}

void TVisionneuse::SignalerFichierIntrouvable()
{
    ViderVue();
    SttcTxtNomImage->setText(TexteIntrouvable);
}

void TVisionneuse::AfficherInfosImage()
{
    if (!FImageChargee)
        LblMessageImgVisualisation->clear();
    else
        LblMessageImgVisualisation->setText(EstFit() ? TexteInfoFit(ImageFit) : TexteInfoBmp(ImageBmp));
}

void TVisionneuse::SelectionnerLigne(int index)
{
    FSelectionParProgramme = true;
    ChckLstBxImages->setCurrentRow(index);
    FSelectionParProgramme = false;
    if (index >= 0)
        ChckLstBxImagesClick();
    else {
        FRenduEnAttente = false;
        ViderVue();
        SttcTxtNomImage->clear();
    }
}

void TVisionneuse::DemanderRendu()
{
    if (FRenduEnAttente)
        return;
    FRenduEnAttente = true;
    QMetaObject::invokeMethod(this, [this] { Commande([this] { RenduDiffere(); }); }, Qt::QueuedConnection);
}

void TVisionneuse::RenduDiffere()
{
    if (FRenduEnAttente)
        ChckLstBxImagesClick();
}

void TVisionneuse::ConfigurerSeuils(bool fit)
{
    DesactiverMaj();
    const int maxi = fit ? MaxFit : MaxBmp;
    for (QSlider* s : {TrckBrSeuilHaut, TrckBrSeuilBas}) {
        s->setRange(0, maxi);
        s->setSingleStep(fit ? 100 : 1);
        s->setPageStep(fit ? 1000 : 4);
    }
    TrckBrSeuilHaut->setValue(fit ? PositionHautFit : PositionHautBmp);
    TrckBrSeuilBas->setValue(fit ? PositionBasFit : PositionBasBmp);
    TrckBrSeuilHaut->setToolTip(QStringLiteral("Seuil haut : ") + EntierEnTexte(maxi - TrckBrSeuilHaut->value()));
    TrckBrSeuilBas->setToolTip(QStringLiteral("Seuil bas : ") + EntierEnTexte(maxi - TrckBrSeuilBas->value()));
    ActiverMaj();
}

void TVisionneuse::InitialiserSeuils()
{
    if (!FichierExiste())
        return;
    if (EstFit()) {
        int32_t bas = 0, haut = MaxFit;
        try {
            SeuilsFichierFit(CheminSelection(), bas, haut);
        } catch (const EStelor&) {
            return; // the rendering that follows reports the file once
        }
        ConfigurerSeuils(true);
        DesactiverMaj();
        TrckBrSeuilHaut->setValue(MaxFit - haut);
        TrckBrSeuilBas->setValue(MaxFit - bas);
        PositionHautFit = TrckBrSeuilHaut->value();
        PositionBasFit = TrckBrSeuilBas->value();
    } else {
        ConfigurerSeuils(false);
        DesactiverMaj();
        TrckBrSeuilHaut->setValue(0);
        TrckBrSeuilBas->setValue(MaxBmp);
        PositionHautBmp = 0;
        PositionBasBmp = MaxBmp;
    }
    ActiverMaj();
}

void TVisionneuse::ChckLstBxImagesClick()
{
    FRenduEnAttente = false;
    if (LigneSelectionnee() < 0)
        return;
    const TProprietaire cible = [this](const QImage& image) { ImgVisualisation->FixerImage(image); };
    DetruireHistoFit(ImageFit);
    DetruireHistoBmp(ImageBmp);
    CreerHistoFit(ImageFit, cible);
    CreerHistoBmp(ImageBmp, cible);
    FImageChargee = false;
    if (!FichierExiste()) {
        SignalerFichierIntrouvable();
        return;
    }
    const QString chemin = CheminSelection();
    const bool positif = !SpdBttnPositifNegatif->isChecked();
    const bool fit = EstFit();
    ++FNombreChargements;
    try {
        ConfigurerSeuils(fit);
        if (fit)
            LireFichierFit(ImageFit, chemin);
        else
            ChargerBmp(ImageBmp, chemin);
    } catch (...) {
        // Never the old picture under the new name; a slide show ends first
        // so that the error is shown once.
        ViderVue();
        SttcTxtNomImage->setText(chemin);
        if (AnimationEnCours())
            ArreterAnimation();
        throw;
    }
    const int maxi = fit ? MaxFit : MaxBmp;
    if (ChckBxSeuilsAuto->isChecked()) {
        const int32_t bas = fit ? SeuilMiniAutoFit(ImageFit) : SeuilMiniBmpDefaut();
        const int32_t haut = fit ? SeuilMaxiAutoFit(ImageFit) : SeuilMaxiBmpDefaut();
        // The sliders show the levels the picture is drawn with.
        DesactiverMaj();
        TrckBrSeuilHaut->setValue(maxi - haut);
        TrckBrSeuilBas->setValue(maxi - bas);
        ActiverMaj();
        (fit ? PositionHautFit : PositionHautBmp) = TrckBrSeuilHaut->value();
        (fit ? PositionBasFit : PositionBasBmp) = TrckBrSeuilBas->value();
        if (fit)
            FixerSeuilsFit(ImageFit, bas, haut, false, positif);
        else
            FixerSeuilsBmp(ImageBmp, bas, haut, false, positif);
    } else if (fit)
        FixerSeuilsFit(ImageFit, maxi - TrckBrSeuilBas->value(), maxi - TrckBrSeuilHaut->value(), false, positif);
    else
        FixerSeuilsBmp(ImageBmp, maxi - TrckBrSeuilBas->value(), maxi - TrckBrSeuilHaut->value(), false, positif);
    FImageChargee = true;
    if (fit)
        AfficherFit(ImageFit, positif);
    else
        AfficherBmp(ImageBmp, positif);
    MnItmEnteteFit->setVisible(fit);
    SttcTxtNomImage->setText(chemin);
    AfficherInfosImage();
}

void TVisionneuse::AppliquerSeuilsImage()
{
    const bool positif = !SpdBttnPositifNegatif->isChecked();
    const bool fit = EstFit();
    const int maxi = fit ? MaxFit : MaxBmp;
    if (fit)
        FixerSeuilsFit(ImageFit, maxi - TrckBrSeuilBas->value(), maxi - TrckBrSeuilHaut->value(), true, positif);
    else
        FixerSeuilsBmp(ImageBmp, maxi - TrckBrSeuilBas->value(), maxi - TrckBrSeuilHaut->value(), true, positif);
}

void TVisionneuse::TrckBrSeuilChange(bool bas)
{
    QSlider* s = bas ? TrckBrSeuilBas : TrckBrSeuilHaut;
    s->setToolTip((bas ? QStringLiteral("Seuil bas : ") : QStringLiteral("Seuil haut : "))
                  + EntierEnTexte(s->maximum() - s->value()));
    if (!MajActive || LigneSelectionnee() < 0)
        return;
    if (!FichierExiste()) {
        SignalerFichierIntrouvable();
        return;
    }
    if (!FImageChargee)
        return;
    AppliquerSeuilsImage();
    const bool fit = EstFit();
    if (bas)
        (fit ? PositionBasFit : PositionBasBmp) = s->value();
    else
        (fit ? PositionHautFit : PositionHautBmp) = s->value();
    AfficherInfosImage();
}

void TVisionneuse::BtBtnSeuilsAutoClick()
{
    if (!ImagePrete())
        return;
    const bool positif = !SpdBttnPositifNegatif->isChecked();
    const bool fit = EstFit();
    const int maxi = fit ? MaxFit : MaxBmp;
    const int32_t bas = fit ? SeuilMiniAutoFit(ImageFit) : SeuilMiniBmpDefaut();
    const int32_t haut = fit ? SeuilMaxiAutoFit(ImageFit) : SeuilMaxiBmpDefaut();
    if (fit)
        FixerSeuilsFit(ImageFit, bas, haut, true, positif);
    else
        FixerSeuilsBmp(ImageBmp, bas, haut, true, positif);
    // Each change passes through the slider handler, which stores it.
    TrckBrSeuilBas->setValue(maxi - bas);
    TrckBrSeuilHaut->setValue(maxi - haut);
    (fit ? PositionBasFit : PositionBasBmp) = TrckBrSeuilBas->value();
    (fit ? PositionHautFit : PositionHautBmp) = TrckBrSeuilHaut->value();
    AfficherInfosImage();
}

void TVisionneuse::SpdBttnPositifNegatifClick()
{
    if (!ImagePrete())
        return;
    const bool positif = !SpdBttnPositifNegatif->isChecked();
    if (EstFit())
        AfficherFit(ImageFit, positif);
    else
        AfficherBmp(ImageBmp, positif);
}

void TVisionneuse::BasculerPositifNegatif()
{
    SpdBttnPositifNegatif->setChecked(!SpdBttnPositifNegatif->isChecked());
    SpdBttnPositifNegatifClick();
}

// ---------------------------------------------------------------------------
// Keyboard browsing

bool TVisionneuse::ParcourirAuClavier(int touche)
{
    const bool cochees = SpdBttnSelectionnes->isChecked();
    if (!cochees && !SpdBttnDeselectionnes->isChecked())
        return false;
    const int n = ChckLstBxImages->count();
    const int i = LigneSelectionnee();
    if (touche == Qt::Key_Up) {
        if (i <= 0)
            return false;
        for (int j = i - 1; j >= 0; --j)
            if (EstCochee(j) == cochees) {
                ChckLstBxImages->setCurrentRow(j);
                break;
            }
        return true;
    }
    if (i >= n - 1)
        return false;
    for (int j = i + 1; j < n; ++j)
        if (EstCochee(j) == cochees) {
            ChckLstBxImages->setCurrentRow(j);
            break;
        }
    return true;
}

bool TVisionneuse::eventFilter(QObject* objet, QEvent* evenement)
{
    // The view makes the first line current when a list without one gets the
    // focus, and that line would be shown: a list without a selection keeps none.
    if (objet == ChckLstBxImages && evenement->type() == QEvent::FocusIn && ChckLstBxImages->currentRow() < 0)
        ChckLstBxImages->setCurrentIndex(QModelIndex());
    if (objet == ChckLstBxImages && evenement->type() == QEvent::KeyPress) {
        const auto* touche = static_cast<QKeyEvent*>(evenement);
        if ((touche->key() == Qt::Key_Up || touche->key() == Qt::Key_Down) && touche->modifiers() == Qt::NoModifier)
            return ParcourirAuClavier(touche->key());
    }
    if ((objet == LblMessageListe || objet == LblMessageImgVisualisation) &&
        evenement->type() == QEvent::MouseButtonPress) {
        if (AnimationEnCours())
            Commande([this] { ArreterAnimation(); });
        return true;
    }
    return TMDIChild::eventFilter(objet, evenement);
}

// ---------------------------------------------------------------------------
// Picture commands

void TVisionneuse::OuvrirImageSelectionnee()
{
    if (LigneSelectionnee() < 0)
        return;
    if (!FichierExiste()) {
        SignalerFichierIntrouvable();
        return;
    }
    if (Main)
        Main->OuvrirFichiers({CheminSelection()});
}

void TVisionneuse::MnItmCopierClick()
{
    if (!ImagePrete())
        return;
    QImage copie = CreerBitmap();
    CopierBitmap(EstFit() ? BitmapFit(ImageFit) : BitmapBmp(ImageBmp), copie);
    if (SpdBttnPositifNegatif->isChecked())
        InverserBitmap(copie);
    QGuiApplication::clipboard()->setImage(copie);
    LibererBitmap(copie);
}

void TVisionneuse::MnItmStatistiquesClick()
{
    if (LigneSelectionnee() < 0)
        return;
    if (!FichierExiste()) {
        SignalerFichierIntrouvable();
        return;
    }
    if (!FImageChargee || !AfficherStatistiquesHook)
        return;
    TStatistiquesImage statistiques;
    if (EstFit())
        StatistiquesFit(ImageFit, statistiques);
    else
        StatistiquesBmp(ImageBmp, statistiques);
    const TPauseAnimation pause(TmrAnimation, SpdBttnAnimer);
    AfficherStatistiquesHook(ChckLstBxImages->currentItem()->text(), statistiques);
}

void TVisionneuse::AfficherEnteteFit()
{
    if (LigneSelectionnee() < 0)
        return;
    if (!FichierExiste()) {
        SignalerFichierIntrouvable();
        return;
    }
    if (!EstFit() || !FImageChargee || !EnteteFit)
        return;
    const TPauseAnimation pause(TmrAnimation, SpdBttnAnimer);
    EnteteFit->Initialiser(Numero, ImageFit);
    // Named after the viewer's file, not after an image window of that number.
    EnteteFit->setWindowTitle(QStringLiteral("Entete Fit [") + ChckLstBxImages->currentItem()->text()
                              + QStringLiteral("]"));
    Dialogues::ExecuterModal(*EnteteFit);
    // The loaded copy is freed by the next selection: the dialog keeps no
    // pointer to it.
    EnteteFit->Image = nullptr;
}

void TVisionneuse::Pretraitement()
{
    QStringList chemins;
    QString reference;
    bool premiere = true;
    for (int i = 0; i < ChckLstBxImages->count(); ++i) {
        if (!EstCochee(i))
            continue;
        const TLigneVisionneuse l = Ligne(i);
        const QString extension = ExtensionFichier(l.Nom);
        if (premiere) {
            reference = extension;
            premiere = false;
        }
        if (extension == reference)
            chemins << l.Chemin();
    }
    if (!chemins.isEmpty() && AjouterBrutesHook)
        AjouterBrutesHook(chemins);
}

// ---------------------------------------------------------------------------
// List file

TConfigurationVisionneuse TVisionneuse::Configuration() const
{
    TConfigurationVisionneuse c;
    c.Largeur = width();
    c.Hauteur = height();
    c.ImagesParcourues = ImagesParcourues;
    c.PeriodeAnimation = PeriodeAnimation;
    c.SensAnimation = SensAnimation;
    c.BoucleAnimation = BoucleAnimation;
    c.Positif = !SpdBttnPositifNegatif->isChecked();
    c.PositionBasFit = PositionBasFit;
    c.PositionHautFit = PositionHautFit;
    c.PositionBasBmp = PositionBasBmp;
    c.PositionHautBmp = PositionHautBmp;
    c.Selection = LigneSelectionnee();
    c.Lignes = Lignes();
    return c;
}

void TVisionneuse::AppliquerConfiguration(const TConfigurationVisionneuse& c)
{
    EffacerListe();
    if (!isMaximized())
        FixerTailleDansZone(*this, c.Largeur, c.Hauteur);
    ImagesParcourues = c.ImagesParcourues;
    ChoisirBoutonParcours();
    PeriodeAnimation = c.PeriodeAnimation;
    SensAnimation = c.SensAnimation;
    BoucleAnimation = c.BoucleAnimation;
    SpdBttnPositifNegatif->setChecked(!c.Positif);
    PositionBasFit = c.PositionBasFit;
    PositionHautFit = c.PositionHautFit;
    PositionBasBmp = c.PositionBasBmp;
    PositionHautBmp = c.PositionHautBmp;
    ChckLstBxImages->setUpdatesEnabled(false);
    FDernierAffichageProgression = 0;
    qsizetype reste = c.Lignes.size();
    for (const TLigneVisionneuse& l : c.Lignes) {
        Repertoires << l.Repertoire;
        AjouterLigne(l);
        MontrerProgression(EntierEnTexte(--reste));
    }
    ChckLstBxImages->setUpdatesEnabled(true);
    ActualiserMenuImages();
    AfficherNombreImages();
    SelectionnerLigne(c.Selection >= 0 && c.Selection < ChckLstBxImages->count() ? c.Selection : -1);
    ChckLstBxImages->setFocus();
}

void TVisionneuse::EnregistrerConfiguration(const QString& nom)
{
    EcrireFichierSur(nom, TexteFichierVisionneuse(Configuration()));
}

void TVisionneuse::ChargerConfiguration(const QString& nom)
{
    // Read and checked whole before anything changes.
    const TConfigurationVisionneuse c = AnalyserFichierVisionneuse(LireFichierComplet(nom));
    AppliquerConfiguration(c);
}

namespace {
const QString FiltreConfiguration = QStringLiteral("Fichier de configuration visionneuse *.vsn (*.vsn)");
}

void TVisionneuse::BtBtnEnregistrerConfigurationClick()
{
    const QString nom = Dialogues::ChoisirFichierEnregistrement(this, QStringLiteral("Enregistrer la configuration"),
                                                                FiltreConfiguration);
    if (!nom.isEmpty())
        EnregistrerConfiguration(nom);
}

void TVisionneuse::BtBtnChargerConfigurationClick()
{
    const QStringList noms = Dialogues::ChoisirFichiersOuverture(this, QStringLiteral("Charger une configuration"),
                                                                 FiltreConfiguration, {}, false);
    if (!noms.isEmpty())
        ChargerConfiguration(noms.front());
}

// ---------------------------------------------------------------------------
// Slide show

bool TVisionneuse::AnimationEnCours() const { return SpdBttnAnimer->isChecked(); }

void TVisionneuse::ChoisirBoutonParcours()
{
    switch (ImagesParcourues) {
    case 0:
        SpdBttnTout->setChecked(true);
        break;
    case 1:
        SpdBttnSelectionnes->setChecked(true);
        break;
    case 2:
        SpdBttnDeselectionnes->setChecked(true);
        break;
    default:
        break;
    }
}

void TVisionneuse::BasculerCommandesAnimation(bool actives)
{
    for (QWidget* w : std::initializer_list<QWidget*>{UDwnImages, BtBtnEffacer, BtBtnOuvrir, BtBtnEnregistrerConfiguration,
                                                      BtBtnChargerConfiguration, BtBtnEnregistrerSelection})
        w->setEnabled(actives);
    if (actives)
        ActualiserMenuImages();
    else
        DesactiverMenu(PppMnImages);
}

void TVisionneuse::SpdBttnAnimerClick()
{
    if (!SpdBttnAnimer->isChecked()) {
        ArreterAnimation();
        return;
    }
    if (ChckLstBxImages->count() == 0 || !Animation) {
        SpdBttnAnimer->setChecked(false);
        return;
    }
    Animation->FixerFrequence(PeriodeAnimation);
    Animation->FixerSens(SensAnimation);
    Animation->FixerBoucle(BoucleAnimation);
    if (Dialogues::ExecuterModal(*Animation) != mrOk) {
        SpdBttnAnimer->setChecked(false);
        return;
    }
    int32_t periode = 0;
    try {
        periode = Animation->LireFrequence();
    } catch (...) {
        // Nothing has changed yet: the show stays stopped.
        SpdBttnAnimer->setChecked(false);
        throw;
    }
    ImagesParcourues = Animation->LireImages();
    ChoisirBoutonParcours();
    PeriodeAnimation = periode;
    SensAnimation = Animation->LireSens();
    BoucleAnimation = Animation->LireBoucle();
    TmrAnimation->setInterval(std::max(periode, 1));
    TmrAnimation->start();
    SpdBttnAnimer->setToolTip(TexteStopper);
    BasculerCommandesAnimation(false);
    LblMessageListe->setText(TexteAnimationEnCours);
}

void TVisionneuse::ArreterAnimation()
{
    TmrAnimation->stop();
    SpdBttnAnimer->setChecked(false);
    SpdBttnAnimer->setToolTip(TexteAnimer);
    BasculerCommandesAnimation(true);
    AfficherNombreImages();
}

void TVisionneuse::TmrAnimationTimer()
{
    if (ChckLstBxImages->count() == 0) {
        ArreterAnimation();
        return;
    }
    switch (ImagesParcourues) {
    case 0:
        AnimerToutes();
        break;
    case 1:
        AnimerCochees();
        break;
    case 2:
        AnimerNonCochees();
        break;
    default:
        break;
    }
}

void TVisionneuse::AnimerToutes()
{
    const int n = ChckLstBxImages->count();
    const int i = LigneSelectionnee();
    const bool descendant = SensAnimation == 1;
    if (i < 0) {
        SelectionnerLigne(descendant ? n - 1 : 0);
        return;
    }
    if (BoucleAnimation && descendant && i == 0) {
        SelectionnerLigne(n - 1);
        return;
    }
    if (BoucleAnimation && !descendant && i == n - 1) {
        SelectionnerLigne(0);
        return;
    }
    if (descendant) {
        if (i > 0)
            SelectionnerLigne(i - 1);
        if (!BoucleAnimation && LigneSelectionnee() == 0)
            ArreterAnimation();
    } else {
        if (i < n - 1)
            SelectionnerLigne(i + 1);
        if (!BoucleAnimation && LigneSelectionnee() == n - 1)
            ArreterAnimation();
    }
}

namespace {
// Nearest line of the wanted tick above (pas -1) or below (pas 1) the index,
// -1 when none.
int Voisine(const QListWidget* liste, int depuis, int pas, bool cochee)
{
    for (int j = depuis + pas; j >= 0 && j < liste->count(); j += pas)
        if ((liste->item(j)->checkState() == Qt::Checked) == cochee)
            return j;
    return -1;
}
} // namespace

static void AnimerFiltre(TVisionneuse& v, bool cochee)
{
    const QListWidget* liste = v.ChckLstBxImages;
    const int n = liste->count();
    const int i = v.LigneSelectionnee();
    const bool descendant = v.SensAnimation == 1;
    if (v.BoucleAnimation && descendant && Voisine(liste, i < 0 ? n : i, -1, cochee) < 0) {
        const int derniere = Voisine(liste, n, -1, cochee);
        if (derniere < 0)
            v.ArreterAnimation();
        else
            v.SelectionnerLigne(derniere);
        return;
    }
    if (v.BoucleAnimation && !descendant && Voisine(liste, i, 1, cochee) < 0) {
        const int premiere = Voisine(liste, -1, 1, cochee);
        if (premiere < 0)
            v.ArreterAnimation();
        else
            v.SelectionnerLigne(premiere);
        return;
    }
    if (descendant) {
        const int depuis = i < 0 ? n : i;
        if (depuis > 0) {
            const int j = Voisine(liste, depuis, -1, cochee);
            if (j >= 0)
                v.SelectionnerLigne(j);
        }
        if (!v.BoucleAnimation && Voisine(liste, v.LigneSelectionnee() < 0 ? n : v.LigneSelectionnee(), -1, cochee) < 0)
            v.ArreterAnimation();
    } else {
        if (i < n - 1) {
            const int j = Voisine(liste, i, 1, cochee);
            if (j >= 0)
                v.SelectionnerLigne(j);
        }
        if (!v.BoucleAnimation && Voisine(liste, v.LigneSelectionnee(), 1, cochee) < 0)
            v.ArreterAnimation();
    }
}

void TVisionneuse::AnimerCochees() { AnimerFiltre(*this, true); }
void TVisionneuse::AnimerNonCochees() { AnimerFiltre(*this, false); }
