#include "UFenetreSeuils.h"

#include "PApplication.h"
#include "UFit.h"
#include "UMain.h"
#include "UOutils.h"
#include "UParametres.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QMdiArea>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>
#include <limits>

namespace {

const QString TexteNonEnregistree = QStringLiteral("*image non enregistrée*");

QList<TFenetreSeuils*>& Fenetres()
{
    static QList<TFenetreSeuils*> liste;
    return liste;
}

// Clears Maj for the length of a handler and gives it back as it was found,
// also when the handler ends with an error.
class TMajSuspendue {
public:
    explicit TMajSuspendue(bool& maj) : FMaj(maj), FAvant(maj) { FMaj = false; }
    ~TMajSuspendue() { FMaj = FAvant; }
    TMajSuspendue(const TMajSuspendue&) = delete;
    TMajSuspendue& operator=(const TMajSuspendue&) = delete;

private:
    bool& FMaj;
    bool FAvant;
};

int32_t Puissance2(int bits) { return bits <= 0 ? 1 : (bits >= 30 ? (1 << 30) : (1 << bits)); }

// The window's own icon: the threshold band between two track-bar marks.
QIcon IconeSeuils()
{
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter d(&p);
    d.fillRect(QRect(1, 4, 14, 8), QColor(122, 122, 201));
    d.fillRect(QRect(1, 1, 3, 14), Qt::black);
    d.fillRect(QRect(12, 1, 3, 14), Qt::black);
    return QIcon(p);
}

} // namespace

TFenetreSeuils::TFenetreSeuils(const QString& titre, QWidget* parent) : TMDIChild(GenreHistogramme, parent)
{
    setWindowTitle(titre);
    setWindowIcon(IconeSeuils());
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    Fenetres().append(this);
    // Activated over a maximised window, the area would maximise this
    // fixed-size window too (drawn without its title bar) and restore the
    // other one: while it becomes active, the area leaves every window as it
    // is. Connected before the area's own handlers, so this runs first; the
    // activation ends before the queued call gives the area its rule back.
    connect(this, &QMdiSubWindow::aboutToActivate, this, [this] {
        QPointer<QMdiArea> zone = mdiArea();
        if (!zone || zone->testOption(QMdiArea::DontMaximizeSubWindowOnActivation))
            return;
        zone->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
        QMetaObject::invokeMethod(
            zone, [zone] { zone->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, false); }, Qt::QueuedConnection);
    });
}

TFenetreSeuils::~TFenetreSeuils() { Fenetres().removeAll(this); }

void TFenetreSeuils::OublierImage(const void* image)
{
    if (!image)
        return;
    for (TFenetreSeuils* f : Fenetres()) {
        if (f->ImageLiee() != image)
            continue;
        f->Oublier();
        f->hide();
        f->deleteLater();
    }
}

void TFenetreSeuils::Preparer(QWidget* contenu)
{
    setWidget(contenu);
    contenu->setFixedSize(398, 114);
    // Creation: the band's picture and the step divisor.
    FDessin = QImage(ImgVisuHistogramme->size(), QImage::Format_RGB32);
    FDessin.fill(Qt::white);
    FixerPas(LireReglSeuilsVisu());

    for (QSlider* curseur : {TrckBrSeuilMaxi, TrckBrSeuilMini}) {
        curseur->setMinimum(0);
        connect(curseur, &QSlider::valueChanged, this,
                [this, curseur] { ExecuterCommande([&] { TrckBrSeuilChange(curseur); }); });
    }
    for (QLineEdit* edit : {EdtSeuilMaxi, EdtSeuilMini}) {
        InstallerFiltreSaisie(edit, TGenreSaisie::Entier);
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { ExecuterCommande([&] { EdtSeuilChange(edit); }); });
    }
    auto relier = [](QSpinBox* hautBas, std::function<void(TBoutonHautBas)> action) {
        RelierHautBas(hautBas, [action = std::move(action)](TBoutonHautBas b) { ExecuterCommande([&] { action(b); }); });
    };
    relier(UpDwnSeuilMaxi, [this](TBoutonHautBas b) { UpDwnSeuilClick(EdtSeuilMaxi, b); });
    relier(UpDownSeuilMini, [this](TBoutonHautBas b) { UpDwnSeuilClick(EdtSeuilMini, b); });
    relier(UpDwnLuminosite, [this](TBoutonHautBas b) { UpDwnLuminositeClick(b); });
    relier(UpDwnContraste, [this](TBoutonHautBas b) { UpDwnContrasteClick(b); });
    relier(UpDwnNbBits, [this](TBoutonHautBas b) { UpDwnNbBitsClick(b); });
    relier(UpDwnTransfert, [this](TBoutonHautBas b) { UpDwnTransfertClick(b); });
    connect(BtnAuto, &QPushButton::clicked, this, [this] { ExecuterCommande([&] { BtnAutoClick(); }); });
    connect(BtnPrec, &QPushButton::clicked, this, [this] { ExecuterCommande([&] { BtnPrecClick(); }); });
    connect(ChckBxVisualisation, &QCheckBox::clicked, this,
            [this] { ExecuterCommande([&] { ChckBxVisualisationClick(); }); });
    LblTransfert->setCursor(Qt::PointingHandCursor);
    LblTransfert->installEventFilter(this);
    Dessiner();
}

void TFenetreSeuils::showEvent(QShowEvent* e)
{
    TMDIChild::showEvent(e);
    // Single border: the frame around the 398 x 114 client area is known
    // only once the window sits in the frame's area.
    setFixedSize(sizeHint());
}

bool TFenetreSeuils::eventFilter(QObject* objet, QEvent* e)
{
    if (objet == LblTransfert && e->type() == QEvent::MouseButtonRelease) {
        ExecuterCommande([&] { LblTransfertClick(); });
        return true;
    }
    return TMDIChild::eventFilter(objet, e);
}

// ---------------------------------------------------------------------------
// Binding and reloading

void TFenetreSeuils::Lier(int numero)
{
    Numero = numero;
    const QString nom = Main ? Main->NomFichierImage(numero) : QString();
    setWindowTitle(QStringLiteral("#") + EntierEnTexte(numero) + QStringLiteral(" Histogramme [") +
                   (nom.isEmpty() ? TexteNonEnregistree : NomFichierSansChemin(nom)) + QLatin1Char(']'));
    {
        TMajSuspendue suspendue(Maj);
        ChckBxVisualisation->setChecked(true);
        ChargerReglages();
    }
    ActiverMaj();
    SeuilMiniDepart = SeuilMiniPrec = SMinImage();
    SeuilMaxiDepart = SeuilMaxiPrec = SMaxImage();
    TransfertDepart = TransfertPrec = TransfertImage();
}

void TFenetreSeuils::Actualiser()
{
    if (!Liee())
        return;
    // The settings shown before the change become the start and previous ones.
    SeuilMiniDepart = SeuilMiniPrec = TexteEnEntierDefaut(EdtSeuilMini->text(), TrckBrSeuilMini->value());
    SeuilMaxiDepart = SeuilMaxiPrec = TexteEnEntierDefaut(EdtSeuilMaxi->text(), TrckBrSeuilMaxi->value());
    TransfertDepart = TransfertPrec = Transfert;
    {
        TMajSuspendue suspendue(Maj);
        ChckBxVisualisation->setChecked(true);
        ChargerReglages();
    }
    ActiverMaj();
}

void TFenetreSeuils::FixerPas(int pas) { Pas = std::max(pas, 1); }

int TFenetreSeuils::NombreBitsImage() const
{
    // M = 1 gives 0 bits; so does an image with no value above 0, for which
    // the scan would never stop.
    const int64_t m = Liee() ? MaxiImage() : 0;
    if (m < 1)
        return 0;
    for (int n = PremierBitsBalayage(); n >= 0; n -= 2)
        if (m > (int64_t{1} << n))
            return n + 2;
    return 0;
}

void TFenetreSeuils::ChargerReglages()
{
    if (!Liee())
        return;
    FixerNbBits(NombreBitsImage());
    Transfert = TransfertImage();
    AfficherTransfert();
    TrckBrSeuilMaxi->setValue(SMaxImage());
    TrckBrSeuilMini->setValue(SMinImage());
    EdtSeuilMaxi->setText(EntierEnTexte(SMaxImage()));
    EdtSeuilMini->setText(EntierEnTexte(SMinImage()));
    Dessiner();
}

void TFenetreSeuils::FixerNbBits(int bits)
{
    LblNbBits->setText(EntierEnTexte(bits));
    for (QSlider* curseur : {TrckBrSeuilMaxi, TrckBrSeuilMini}) {
        curseur->setMaximum(Puissance2(bits));
        const int32_t pas = std::max(curseur->maximum() / Pas, 1);
        curseur->setSingleStep(pas);
        curseur->setPageStep(pas);
    }
    Dessiner();
}

void TFenetreSeuils::AfficherTransfert() { LblTransfert->setText(NomCourbe(Transfert)); }

void TFenetreSeuils::Dessiner()
{
    const int32_t etendue = TrckBrSeuilMaxi->maximum();
    const int32_t bas = TrckBrSeuilMini->value(), haut = TrckBrSeuilMaxi->value();
    if (Transfert == 0)
        MarquerSeuilsHistogramme(FDessin, bas, haut, etendue);
    else if (Transfert < 0)
        MarquerSeuilsHistogrammeExp(FDessin, bas, haut, etendue, -Transfert);
    else
        MarquerSeuilsHistogrammeLog(FDessin, bas, haut, etendue, Transfert);
    ImgVisuHistogramme->setPixmap(QPixmap::fromImage(FDessin));
}

int32_t TFenetreSeuils::PasCurseurs() const { return std::max(TrckBrSeuilMaxi->maximum() / Pas, 1); }

int TFenetreSeuils::BitsAffiches() const { return ConvertirEntier(LblNbBits->text()); }

int32_t TFenetreSeuils::Plafond() const { return Puissance2(BitsAffiches()); }

QLineEdit* TFenetreSeuils::EditDe(QSlider* curseur) const
{
    return curseur == TrckBrSeuilMaxi ? EdtSeuilMaxi : EdtSeuilMini;
}

QSlider* TFenetreSeuils::CurseurDe(QLineEdit* edit) const
{
    return edit == EdtSeuilMaxi ? TrckBrSeuilMaxi : TrckBrSeuilMini;
}

void TFenetreSeuils::RendreImages()
{
    if (Main)
        Main->AfficheImageSource_FenetreImage();
}

// ---------------------------------------------------------------------------
// Handlers

void TFenetreSeuils::TrckBrSeuilChange(QSlider* curseur)
{
    if (Maj && Liee()) {
        EcrireSeuils(TrckBrSeuilMini->value(), TrckBrSeuilMaxi->value());
        if (ChckBxVisualisation->isChecked())
            RendreImages();
        EditDe(curseur)->setText(EntierEnTexte(curseur->value()));
    }
    Dessiner();
}

void TFenetreSeuils::EdtSeuilChange(QLineEdit* edit)
{
    const QString texte = edit->text();
    // Only whole digit strings count: anything else waits for more typing.
    if (texte.isEmpty() || !EstTexteEntier(texte))
        return;
    const int32_t plafond = Plafond();
    // More digits than any level holds is simply above the ceiling.
    const bool long_ = texte.size() > 10;
    int64_t valeur = long_ ? std::numeric_limits<int64_t>::max() : texte.toLongLong();
    if (valeur > plafond) {
        valeur = plafond;
        edit->setText(EntierEnTexte(plafond));
    }
    QSlider* curseur = CurseurDe(edit);
    if (valeur != curseur->value())
        curseur->setValue(static_cast<int>(valeur));
}

void TFenetreSeuils::UpDwnSeuilClick(QLineEdit* edit, TBoutonHautBas bouton)
{
    QSlider* curseur = CurseurDe(edit);
    const QString avant = edit->text();
    IncrementerEditEntier(edit, bouton, PasCurseurs(), curseur->minimum(), curseur->maximum());
    if (edit->text() != avant)
        curseur->setValue(ConvertirEntier(edit->text()));
}

namespace {
int32_t Plancher(int64_t v) { return v >= 1 ? static_cast<int32_t>(v) : 0; }
int32_t Plafonner(int64_t v, int32_t plafond) { return v < plafond ? static_cast<int32_t>(v) : plafond; }
} // namespace

void TFenetreSeuils::UpDwnLuminositeClick(TBoutonHautBas bouton) { DecalerSeuils(bouton, false); }

void TFenetreSeuils::UpDwnContrasteClick(TBoutonHautBas bouton) { DecalerSeuils(bouton, true); }

// Brightness moves both levels the same way; contrast moves the low one the
// other way. Up is brighter (levels down) and more contrast.
void TFenetreSeuils::DecalerSeuils(TBoutonHautBas bouton, bool contraste)
{
    {
        TMajSuspendue suspendue(Maj);
        const int64_t haut = ConvertirEntier(EdtSeuilMaxi->text());
        const int64_t bas = ConvertirEntier(EdtSeuilMini->text());
        const int64_t s = PasCurseurs();
        const int32_t plafond = Plafond();
        const bool monte = bouton == TBoutonHautBas::Suivant;
        const bool basMonte = contraste ? monte : !monte;
        EdtSeuilMaxi->setText(EntierEnTexte(monte ? Plancher(haut - s) : Plafonner(haut + s, plafond)));
        EdtSeuilMini->setText(EntierEnTexte(basMonte ? Plafonner(bas + s, plafond) : Plancher(bas - s)));
    }
    ActiverMaj();
    TrckBrSeuilChange(TrckBrSeuilMaxi);
}

void TFenetreSeuils::UpDwnNbBitsClick(TBoutonHautBas bouton)
{
    const int bits = BitsAffiches();
    if (bouton == TBoutonHautBas::Suivant) {
        if (bits + 2 > BitsMaxi())
            return;
        TMajSuspendue suspendue(Maj);
        FixerNbBits(bits + 2);
        return;
    }
    const int moins = bits - 2;
    if (moins < BitsMini())
        return;
    // Lowering the range never cuts a level.
    const int64_t haut = ConvertirEntier(EdtSeuilMaxi->text());
    const int64_t bas = ConvertirEntier(EdtSeuilMini->text());
    if (Puissance2(moins) < haut || Puissance2(moins) < bas)
        return;
    TMajSuspendue suspendue(Maj);
    FixerNbBits(moins);
}

void TFenetreSeuils::EcrireReglages(int32_t bas, int32_t haut, double transfert)
{
    TMajSuspendue suspendue(Maj);
    EcrireSeuils(bas, haut);
    EcrireTransfert(transfert);
    ChargerReglages();
    if (ChckBxVisualisation->isChecked())
        RendreImages();
}

void TFenetreSeuils::BtnAutoClick()
{
    if (!Liee())
        return;
    TMajSuspendue suspendue(Maj);
    EcrireNiveauxAutomatiques();
    ChargerReglages();
    if (ChckBxVisualisation->isChecked())
        RendreImages();
}

void TFenetreSeuils::BtnPrecClick()
{
    if (!Liee())
        return;
    const int32_t bas = ConvertirEntier(EdtSeuilMini->text());
    const int32_t haut = ConvertirEntier(EdtSeuilMaxi->text());
    if (bas == SeuilMiniDepart && haut == SeuilMaxiDepart && Transfert == TransfertDepart) {
        EcrireReglages(SeuilMiniPrec, SeuilMaxiPrec, TransfertPrec);
        return;
    }
    SeuilMiniPrec = bas;
    SeuilMaxiPrec = haut;
    TransfertPrec = Transfert;
    EcrireReglages(SeuilMiniDepart, SeuilMaxiDepart, TransfertDepart);
}

void TFenetreSeuils::UpDwnTransfertClick(TBoutonHautBas bouton)
{
    if (!Liee())
        return;
    Transfert = bouton == TBoutonHautBas::Suivant ? TransfertSuivant(Transfert) : TransfertPrecedent(Transfert);
    EcrireTransfert(Transfert);
    if (ChckBxVisualisation->isChecked())
        RendreImages();
    AfficherTransfert();
    Dessiner();
}

void TFenetreSeuils::LblTransfertClick()
{
    if (!Liee())
        return;
    Transfert = 0;
    EcrireTransfert(Transfert);
    if (ChckBxVisualisation->isChecked())
        RendreImages();
    AfficherTransfert();
    Dessiner();
}

void TFenetreSeuils::ChckBxVisualisationClick()
{
    if (ChckBxVisualisation->isChecked() && Liee())
        RendreImages();
}

void TFenetreSeuils::FormClose(TActionFermeture& action)
{
    TMDIChild::FormClose(action);
    // Without live display the image windows show the levels now.
    if (!ChckBxVisualisation->isChecked() && Liee())
        RendreImages();
}
