#include "UPreferences.h"

#include "PApplication.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "UMain.h"
#include "UOutilsFenetres.h"
#include "UParametres.h"
#include "ui_UPreferences.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

TPreferences* Preferences = nullptr;

namespace {
constexpr double SigmaMinimum = 0.2, SigmaMaximum = 3.0;
constexpr double CoefMinimum = 0.0, CoefMaximum = 4.0;

// A text that does not convert shows grey, as an empty one: the error is
// reported once, by Ok or Appliquer, not at every key.
void RemplirApercu(QImage& bitmap, bool rouge, bool vert, bool bleu, double borne1, double borne2,
                   const QString& texte)
{
    if (!TexteEnReel(texte))
        RemplirBitmapGris(bitmap);
    else
        RemplirBitmapValeur(bitmap, rouge, vert, bleu, borne1, borne2, texte);
}

void Montrer(QLabel* image, const QImage& bitmap) { image->setPixmap(QPixmap::fromImage(bitmap)); }

QImage BitmapDe(const QLabel* image)
{
    QImage bitmap(image->contentsRect().size(), QImage::Format_RGB32);
    RemplirBitmapGris(bitmap);
    return bitmap;
}

// The tab that holds a control.
QWidget* OngletDe(QWidget* controle, QTabWidget* pages)
{
    for (QWidget* w = controle; w; w = w->parentWidget())
        if (pages->indexOf(w) >= 0)
            return w;
    return nullptr;
}
} // namespace

void PasReglageSeuils(QLineEdit* edit, bool monter)
{
    const int32_t valeur = TexteEnEntierDefaut(edit->text(), TablePreselections[0]);
    edit->setText(EntierEnTexte(monter ? ValeurSuivanteListe(valeur) : ValeurPrecedenteListe(valeur)));
}

bool PasSigmaPreference(QLineEdit* edit, bool monter)
{
    EditSigmaMinimum(edit);
    return IncrementerEditReel(edit, monter ? TBoutonHautBas::Suivant : TBoutonHautBas::Precedent, 1, 0.1,
                               SigmaMinimum);
}

bool PasCoefficientPreference(QLineEdit* edit, bool monter)
{
    EditCoefficientPositif(edit);
    return IncrementerEditReel(edit, monter ? TBoutonHautBas::Suivant : TBoutonHautBas::Precedent, 1, 0.1,
                               CoefMinimum);
}

namespace {
// The five edits move together and stop as soon as the first one cannot.
void PasGroupe(const std::array<QLineEdit*, 5>& edits, bool monter, bool sigma)
{
    for (QLineEdit* e : edits)
        sigma ? EditSigmaMinimum(e) : EditCoefficientPositif(e);
    const auto pas = sigma ? PasSigmaPreference : PasCoefficientPreference;
    if (!pas(edits[0], monter))
        return;
    for (int i = 1; i < 5; ++i)
        pas(edits[i], monter);
}

void Relier(QSpinBox* hautBas, std::function<void(bool)> action)
{
    hautBas->setFocusPolicy(Qt::NoFocus);
    RelierHautBas(hautBas, [action = std::move(action)](TBoutonHautBas b) {
        ExecuterCommande([&] { action(b == TBoutonHautBas::Suivant); });
    });
}
} // namespace

TPreferences::TPreferences(QWidget* parent) : QDialog(parent), FUi(std::make_unique<Ui::TPreferences>())
{
    FUi->setupUi(this);
    setObjectName(QStringLiteral("Preferences"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    FEdtSigmaGauss = {FUi->EdtSigmaGauss1, FUi->EdtSigmaGauss2, FUi->EdtSigmaGauss3, FUi->EdtSigmaGauss4,
                      FUi->EdtSigmaGauss5};
    FEdtSigmaMF = {FUi->EdtSigmaMF1, FUi->EdtSigmaMF2, FUi->EdtSigmaMF3, FUi->EdtSigmaMF4, FUi->EdtSigmaMF5};
    FEdtCoefMF = {FUi->EdtCoefMF1, FUi->EdtCoefMF2, FUi->EdtCoefMF3, FUi->EdtCoefMF4, FUi->EdtCoefMF5};
    FImgGauss = {FUi->ImgVisuSigmaGaussien1, FUi->ImgVisuSigmaGaussien2, FUi->ImgVisuSigmaGaussien3,
                 FUi->ImgVisuSigmaGaussien4, FUi->ImgVisuSigmaGaussien5};
    for (int c = 0; c < 5; ++c)
        for (int s = 0; s < 5; ++s)
            FImgMF[c][s] = findChild<QLabel*>(QStringLiteral("ImgVisuMF%1%2").arg(c + 1).arg(s + 1));

    // Every preview bitmap is a copy of the first one of its tab.
    FBitmapCouleur = BitmapDe(FUi->ImgCouleurFondApplication);
    FBitmapGauss.fill(BitmapDe(FImgGauss[0]));
    for (auto& ligne : FBitmapMF)
        ligne.fill(BitmapDe(FImgMF[0][0]));
    FUi->PgCntrlPrincipale->setCurrentIndex(0);

    // The threshold edit is set through its up-down only.
    FUi->EdtReglageSeuils->setReadOnly(true);
    FUi->EdtReglageSeuils->setFocusPolicy(Qt::NoFocus);
    InstallerFiltreSaisie(FUi->EdtOffsetDetectionEtoiles, TGenreSaisie::Entier);
    FUi->EdtOffsetDetectionEtoiles->setMaxLength(9);
    Relier(FUi->UpDwnSigmaMF1, [this](bool monter) { PasReglageSeuils(FUi->EdtReglageSeuils, monter); });

    FUi->ImgCouleurFondApplication->setCursor(Qt::PointingHandCursor);
    FUi->ImgCouleurFondApplication->installEventFilter(this);

    for (int i = 0; i < 5; ++i) {
        for (QLineEdit* e : {FEdtSigmaGauss[i], FEdtSigmaMF[i], FEdtCoefMF[i]}) {
            InstallerFiltreSaisie(e, TGenreSaisie::Reel, 1);
            e->setMaxLength(6);
        }
        connect(FEdtSigmaGauss[i], &QLineEdit::textChanged, this, [this, i] { DessinerApercuGaussien(i); });
        connect(FEdtSigmaMF[i], &QLineEdit::textChanged, this, [this, i] { DessinerApercusSigmaMF(i); });
        connect(FEdtCoefMF[i], &QLineEdit::textChanged, this, [this, i] { DessinerApercusCoefMF(i); });
        QLineEdit* sg = FEdtSigmaGauss[i];
        QLineEdit* sm = FEdtSigmaMF[i];
        QLineEdit* cm = FEdtCoefMF[i];
        Relier(findChild<QSpinBox*>(QStringLiteral("UpDwnSigmaUpDwnSigmaGauss%1").arg(i + 1)),
               [sg](bool monter) { PasSigmaPreference(sg, monter); });
        Relier(findChild<QSpinBox*>(i == 0 ? QStringLiteral("UpDwnSigmaUpDwnSigmaMF1")
                                           : QStringLiteral("UpDwnSigmaMF%1").arg(i + 1)),
               [sm](bool monter) { PasSigmaPreference(sm, monter); });
        Relier(findChild<QSpinBox*>(QStringLiteral("UpDwnCoefMF%1").arg(i + 1)),
               [cm](bool monter) { PasCoefficientPreference(cm, monter); });
    }
    Relier(FUi->UpDwnSigmasGauss, [this](bool monter) { PasGroupe(FEdtSigmaGauss, monter, true); });
    Relier(FUi->UpDwnSigmasMF, [this](bool monter) { PasGroupe(FEdtSigmaMF, monter, true); });
    Relier(FUi->UpDwnCoefsMF, [this](bool monter) { PasGroupe(FEdtCoefMF, monter, false); });

    connect(FUi->BtnOk, &QPushButton::clicked, this, [this] { ExecuterCommande([this] { BtnOkClick(); }); });
    connect(FUi->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(FUi->BtnAppliquer, &QPushButton::clicked, this,
            [this] { ExecuterCommande([this] { BtnAppliquerClick(); }); });
    connect(FUi->BtnReinitPreferences, &QPushButton::clicked, this,
            [this] { ExecuterCommande([this] { BtnReinitPreferencesClick(); }); });
    for (QPushButton* b : {FUi->BtnAnnuler, FUi->BtnAppliquer, FUi->BtnReinitPreferences})
        b->setAutoDefault(false);
    FUi->BtnAide->setAutoRaise(true);
}

TPreferences::~TPreferences()
{
    if (Preferences == this)
        Preferences = nullptr;
}

QTabWidget* TPreferences::PgCntrlPrincipale() const { return FUi->PgCntrlPrincipale; }
QLineEdit* TPreferences::EdtReglageSeuils() const { return FUi->EdtReglageSeuils; }
QLineEdit* TPreferences::EdtOffsetDetectionEtoiles() const { return FUi->EdtOffsetDetectionEtoiles; }
QLabel* TPreferences::ImgCouleurFondApplication() const { return FUi->ImgCouleurFondApplication; }

void TPreferences::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ExecuterCommande([this] { ChargerPreferences(); });
    FUi->BtnOk->setFocus();
}

bool TPreferences::eventFilter(QObject* objet, QEvent* event)
{
    if (objet == FUi->ImgCouleurFondApplication && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ExecuterCommande([this] { ImgCouleurFondApplicationClick(); });
        return true;
    }
    return QDialog::eventFilter(objet, event);
}

void TPreferences::ChargerPreferences()
{
    FUi->ChckBxDefilementImageTpsReel->setChecked(LireDefilImgTpsReel());
    FUi->EdtReglageSeuils->setText(EntierEnTexte(LireReglSeuilsVisu()));
    FUi->EdtOffsetDetectionEtoiles->setText(EntierEnTexte(LireOffsetDetectEtoiles()));
    FCouleurFond = LireCoulFondApp();
    for (int i = 0; i < 5; ++i) {
        const QSignalBlocker a(FEdtSigmaGauss[i]), b(FEdtSigmaMF[i]), c(FEdtCoefMF[i]);
        FEdtSigmaGauss[i]->setText(ReelEnTexte(LireSigmaGaussien(i + 1), 1));
        FEdtSigmaMF[i]->setText(ReelEnTexte(LireSigmaMasqueFlou(i + 1), 1));
        FEdtCoefMF[i]->setText(ReelEnTexte(LireCoefMasqueFlou(i + 1), 1));
    }
    AfficherCouleurFond();
    DessinerApercusGaussien();
    DessinerApercusMasqueFlou();
}

void TPreferences::AfficherCouleurFond()
{
    RemplirBitmapCouleur(FBitmapCouleur, FCouleurFond);
    Montrer(FUi->ImgCouleurFondApplication, FBitmapCouleur);
}

void TPreferences::DessinerApercuGaussien(int i)
{
    RemplirApercu(FBitmapGauss[i], false, false, true, SigmaMinimum, SigmaMaximum, FEdtSigmaGauss[i]->text());
    Montrer(FImgGauss[i], FBitmapGauss[i]);
}

void TPreferences::DessinerApercusGaussien()
{
    for (int i = 0; i < 5; ++i)
        DessinerApercuGaussien(i);
}

void TPreferences::DessinerApercuMF(int c, int s)
{
    QImage& b = FBitmapMF[c][s];
    const QString coef = FEdtCoefMF[c]->text(), sigma = FEdtSigmaMF[s]->text();
    if (!TexteEnReel(coef) || !TexteEnReel(sigma))
        RemplirBitmapGris(b);
    else
        RemplirBitmapDeuxValeurs(b, coef, sigma, CoefMinimum, CoefMaximum, SigmaMinimum, SigmaMaximum);
    Montrer(FImgMF[c][s], b);
}

void TPreferences::DessinerApercusSigmaMF(int s)
{
    for (int c = 0; c < 5; ++c)
        DessinerApercuMF(c, s);
}

void TPreferences::DessinerApercusCoefMF(int c)
{
    for (int s = 0; s < 5; ++s)
        DessinerApercuMF(c, s);
}

void TPreferences::DessinerApercusMasqueFlou()
{
    for (int s = 0; s < 5; ++s)
        DessinerApercusSigmaMF(s);
}

void TPreferences::ImgCouleurFondApplicationClick()
{
    const QColor choisie = Dialogues::ChoisirCouleur(this, CouleurEnQColor(FCouleurFond));
    if (!choisie.isValid())
        return;
    FCouleurFond = QColorEnCouleur(choisie);
    AfficherCouleurFond();
}

void TPreferences::EcrirePreferences()
{
    // Every field is read before the first write: a field that is not a
    // number leaves the file as it was, and the user lands on it.
    // The offset counts pixels, the sigmas and coefficients are unsigned:
    // none may be negative.
    auto lire = [this](QLineEdit* edit, auto convertir) {
        try {
            const auto valeur = convertir(edit->text());
            if (valeur < 0)
                LeverErreur(QStringLiteral("'%1' n'est pas une valeur correcte : elle ne peut être négative.")
                                .arg(TexteCite(edit->text())));
            return valeur;
        } catch (...) {
            if (QWidget* onglet = OngletDe(edit, FUi->PgCntrlPrincipale))
                FUi->PgCntrlPrincipale->setCurrentWidget(onglet);
            edit->setFocus();
            edit->selectAll();
            throw;
        }
    };
    const bool defilement = FUi->ChckBxDefilementImageTpsReel->isChecked();
    const int32_t reglage = lire(FUi->EdtReglageSeuils, ConvertirEntier);
    if (FUi->EdtOffsetDetectionEtoiles->text().isEmpty())
        FUi->EdtOffsetDetectionEtoiles->setText(QStringLiteral("0"));
    const int32_t offset = lire(FUi->EdtOffsetDetectionEtoiles, ConvertirEntier);
    std::array<double, 5> sigmasGauss{}, sigmasMF{}, coefsMF{};
    for (int i = 0; i < 5; ++i)
        sigmasGauss[i] = lire(FEdtSigmaGauss[i], ConvertirReel);
    for (int i = 0; i < 5; ++i)
        sigmasMF[i] = lire(FEdtSigmaMF[i], ConvertirReel);
    for (int i = 0; i < 5; ++i)
        coefsMF[i] = lire(FEdtCoefMF[i], ConvertirReel);

    EcrireDefilImgTpsReel(defilement);
    EcrireReglSeuilsVisu(reglage);
    EcrireOffsetDetectEtoiles(offset);
    EcrireCoulFondApp(FCouleurFond);
    EcrireSigmasGaussien(sigmasGauss[0], sigmasGauss[1], sigmasGauss[2], sigmasGauss[3], sigmasGauss[4]);
    EcrireParametresMasqueFlou(sigmasMF[0], sigmasMF[1], sigmasMF[2], sigmasMF[3], sigmasMF[4], coefsMF[0],
                               coefsMF[1], coefsMF[2], coefsMF[3], coefsMF[4]);
    if (Main)
        Main->MajFenetresImagesSuivantPreferences();
    // Above the repainted frame while it is open.
    if (isVisible()) {
        show();
        raise();
        activateWindow();
    }
}

void TPreferences::BtnOkClick()
{
    EcrirePreferences();
    accept();
}

void TPreferences::BtnAppliquerClick() { EcrirePreferences(); }

void TPreferences::BtnReinitPreferencesClick()
{
    ReinitialiserPreferences();
    ChargerPreferences();
    if (Main)
        Main->MajFenetresImagesSuivantPreferences();
    if (isVisible()) {
        show();
        raise();
        activateWindow();
    }
}
