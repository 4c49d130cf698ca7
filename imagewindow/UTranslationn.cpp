#include "UTranslationn.h"

#include "ui_UTranslationn.h"

#include "PApplication.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"
#include "UTraitementImage.h"

#include <cmath>

TTranslationn* Translationn = nullptr;

namespace {

bool EstPartiel(const QString& t)
{
    return t.isEmpty() || t == QLatin1String("-") || t == QLatin1String(",") || t == QLatin1String("-,");
}

} // namespace

TTranslationn::TTranslationn(QWidget* parent) : QDialog(parent), ui(new Ui::TTranslationn)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    BitmapOrigine = CreerBitmap();
    Edtx = ui->Edtx;
    Edty = ui->Edty;
    Edtx->setText(QStringLiteral("0,0"));
    Edty->setText(QStringLiteral("0,0"));
    for (QLineEdit* e : {Edtx, Edty}) {
        InstallerFiltreSaisie(e, TGenreSaisie::ReelSigne, 1);
        connect(e, &QLineEdit::textChanged, this, [this, e] {
            ExecuterCommande([&] {
                Borner(e);
                Previsualiser();
            });
        });
    }
    RelierHautBas(ui->UpDwnx, [this](TBoutonHautBas b) {
        ExecuterCommande([&] { UpDwnClick(Edtx, Edty, b == TBoutonHautBas::Suivant); });
    });
    RelierHautBas(ui->UpDwny, [this](TBoutonHautBas b) {
        ExecuterCommande([&] { UpDwnClick(Edty, Edtx, b == TBoutonHautBas::Suivant); });
    });
    connect(ui->BtnZeroZero, &QPushButton::clicked, this, [this] { ExecuterCommande([this] { BtnZeroZeroClick(); }); });
    connect(ui->BtnOK, &QPushButton::clicked, this, [this] {
        // An empty edit or a lone "-" is the 0 the preview showed; any
        // other text that is no number ("," or "-,") ends the command when
        // it is read, with the conversion error and the image unchanged.
        for (QLineEdit* e : {Edtx, Edty})
            if (e->text().isEmpty() || e->text() == QLatin1String("-"))
                e->setText(QStringLiteral("0,0"));
        accept();
    });
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TTranslationn::~TTranslationn()
{
    LibererBitmap(BitmapOrigine);
    delete ui;
}

double TTranslationn::ValeurPartielle(const QString& texte)
{
    if (EstPartiel(texte))
        return 0;
    const double v = TexteEnReelDefaut(texte, 0);
    return std::isfinite(v) ? std::clamp(v, -TranslationMaximale, TranslationMaximale) : 0;
}

double TTranslationn::TranslationX() const { return ConvertirReel(Edtx->text()); }
double TTranslationn::TranslationY() const { return ConvertirReel(Edty->text()); }

TTraitementImage* TTranslationn::Fenetre() const
{
    return Main ? FenetreImageActive(*Main) : nullptr;
}

void TTranslationn::Borner(QLineEdit* edit)
{
    // Only a number beyond the bound, even one too big to hold, is brought
    // to it; a text that is no number stays for OK to refuse.
    const std::optional<double> v = TexteEnReelSature(edit->text());
    if (v && std::fabs(*v) > TranslationMaximale)
        edit->setText(ReelEnTexte(std::clamp(*v, -TranslationMaximale, TranslationMaximale), 1));
}

void TTranslationn::Previsualiser()
{
    TTraitementImage* f = Fenetre();
    if (!f || BitmapOrigine.isNull())
        return;
    QImage& affiche = f->ImgSource->Picture;
    affiche = BitmapOrigine.copy();
    DessinerAxes(affiche, clBleu);
    const double dx = ValeurPartielle(Edtx->text()), dy = ValeurPartielle(Edty->text());
    TSelectionImage s;
    f->LireSelection(s);
    if (s.Genre == SelectionPoint) {
        const double z = f->FacteurZoom();
        const double x = std::nearbyint(z * dx) + s.X, y = std::nearbyint(z * dy) + s.Y;
        // A point shifted off the picture is not drawn (nor its label).
        if (x >= 0 && y >= 0 && x < affiche.width() && y < affiche.height())
            DessinerCroixTexte(affiche, static_cast<int>(x), static_cast<int>(y), clRouge,
                               ReelEnTexte(dx, 1) + QLatin1Char(' ') + ReelEnTexte(dy, 1));
    }
    f->ImgSource->update();
}

void TTranslationn::UpDwnClick(QLineEdit* edit, QLineEdit* autre, bool haut)
{
    if (EstPartiel(edit->text()))
        edit->setText(QStringLiteral("0,0"));
    IncrementerEditReel(edit, haut ? TBoutonHautBas::Suivant : TBoutonHautBas::Precedent, 1, 1, -TranslationMaximale);
    Borner(edit);
    if (autre->text().isEmpty() || autre->text() == QLatin1String("-"))
        autre->setText(QStringLiteral("0,0"));
    Previsualiser();
}

void TTranslationn::BtnZeroZeroClick()
{
    Edtx->setText(QStringLiteral("0,0"));
    Edty->setText(QStringLiteral("0,0"));
    Edtx->setFocus();
    Previsualiser();
}

void TTranslationn::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ExecuterCommande([this] {
        if (TTraitementImage* f = Fenetre())
            CopierBitmap(f->ImgSource->Picture, BitmapOrigine);
        else
            BitmapOrigine = QImage();
        Previsualiser();
    });
    Edtx->setFocus();
}
