#include "UBordures.h"

#include "ui_UBordures.h"

#include "PApplication.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <QSpinBox>
#include <algorithm>
#include <cstdlib>

TBordures* Bordures = nullptr;

void LignePointillee(QImage& bitmap, int x1, int y1, int x2, int y2)
{
    // Only the straight lines of the preview: one of the two axes is fixed.
    // Light and dark dots in turn, so that the line shows on a bright
    // galaxy as on the dark sky.
    const int n = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    const int sx = x2 > x1 ? 1 : (x2 < x1 ? -1 : 0), sy = y2 > y1 ? 1 : (y2 < y1 ? -1 : 0);
    const bool indexe = bitmap.format() == QImage::Format_Indexed8;
    for (int i = 0; i < n; i += 2) {
        const int x = x1 + sx * i, y = y1 + sy * i;
        if (x < 0 || y < 0 || x >= bitmap.width() || y >= bitmap.height())
            continue;
        const bool clair = (i / 2) % 2 == 0;
        if (indexe)
            bitmap.setPixel(x, y, clair ? 255 : 0);
        else
            MarquerPixel(bitmap, x, y, clair ? clRouge : clNoir);
    }
}

TBordures::TBordures(QWidget* parent) : QDialog(parent), ui(new Ui::TBordures)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    EdtBordureHaut = ui->EdtBordureHaut;
    EdtBordureGauche = ui->EdtBordureGauche;
    EdtBordureDroite = ui->EdtBordureDroite;
    EdtBordureBas = ui->EdtBordureBas;
    const std::pair<QLineEdit*, QSpinBox*> paires[] = {{EdtBordureHaut, ui->UpDwnBordureHaut},
                                                       {EdtBordureGauche, ui->UpDwnBordureGauche},
                                                       {EdtBordureDroite, ui->UpDwnBordureDroite},
                                                       {EdtBordureBas, ui->UpDwnBordureBas}};
    for (auto [edit, hautBas] : paires) {
        edit->setText(QStringLiteral("0"));
        InstallerFiltreSaisie(edit, TGenreSaisie::Entier);
        connect(edit, &QLineEdit::textChanged, this, [this, e = edit] { ExecuterCommande([&] { EditChange(e); }); });
        RelierHautBas(hautBas, [this, e = edit](TBoutonHautBas b) {
            ExecuterCommande([&] { UpDwnClick(e, b == TBoutonHautBas::Suivant); });
        });
    }
    connect(ui->BtnRaz, &QPushButton::clicked, this, [this] { ExecuterCommande([this] { BtnRazClick(); }); });
    connect(ui->BtnDApresSelection, &QPushButton::clicked, this,
            [this] { ExecuterCommande([this] { BtnDApresSelectionClick(); }); });
    connect(ui->BtnAppliquer, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TBordures::~TBordures() { delete ui; }

int32_t TBordures::Limite(const QLineEdit* edit) const
{
    if (!BitmapAffiche)
        return 0;
    return edit == EdtBordureHaut || edit == EdtBordureBas ? BitmapAffiche->height() : BitmapAffiche->width();
}

void TBordures::Initialiser(QImage& bitmapAffiche, const TSelectionImage& selection, QWidget* controle)
{
    BitmapAffiche = &bitmapAffiche;
    FControle = controle;
    BitmapOrigine = CreerBitmap();
    CopierBitmap(bitmapAffiche, BitmapOrigine);
    Selection = selection;
    // The margins of the last use, against this picture.
    for (QLineEdit* e : {EdtBordureHaut, EdtBordureBas, EdtBordureGauche, EdtBordureDroite}) {
        const QSignalBlocker bloque(e);
        if (e->text().isEmpty() || TexteEnEntierDefaut(e->text(), 0) > Limite(e))
            e->setText(QStringLiteral("0"));
    }
    Dessiner();
}

namespace {
// True when the text is a number of pixels beyond the limit; digits beyond
// 32 bits are beyond any picture too. A text that is no number is not: it
// stays for the reading to refuse.
bool AuDelaDe(const QString& texte, int32_t limite)
{
    return EstTexteEntier(texte) && TexteEnEntierDefaut(texte, INT32_MAX) > limite;
}
} // namespace

void TBordures::EditChange(QLineEdit* edit)
{
    if (AuDelaDe(edit->text(), Limite(edit))) {
        edit->setText(EntierEnTexte(Limite(edit)));
        return; // the change of text redraws
    }
    Dessiner();
}

void TBordures::Dessiner()
{
    if (!BitmapAffiche || BitmapOrigine.isNull())
        return;
    QImage& b = *BitmapAffiche;
    CopierBitmap(BitmapOrigine, b);
    const int W = b.width(), H = b.height();
    const auto marge = [](const QLineEdit* e) { return e->text().isEmpty() ? 0 : TexteEnEntierDefaut(e->text(), 0); };
    if (const int m = marge(EdtBordureHaut))
        LignePointillee(b, 0, m, W, m);
    if (const int m = marge(EdtBordureBas))
        LignePointillee(b, 0, H - m, W, H - m);
    if (const int m = marge(EdtBordureGauche))
        LignePointillee(b, m, 0, m, H);
    if (const int m = marge(EdtBordureDroite))
        LignePointillee(b, W - m, 0, W - m, H);
    if (FControle)
        FControle->update();
}

void TBordures::LireBordures(int32_t& haut, int32_t& bas, int32_t& droite, int32_t& gauche)
{
    for (QLineEdit* e : {EdtBordureHaut, EdtBordureBas, EdtBordureGauche, EdtBordureDroite})
        if (e->text().isEmpty())
            e->setText(QStringLiteral("0"));
    int32_t t = ConvertirEntier(EdtBordureHaut->text()), b = ConvertirEntier(EdtBordureBas->text());
    int32_t g = ConvertirEntier(EdtBordureGauche->text()), d = ConvertirEntier(EdtBordureDroite->text());
    const int32_t W = BitmapAffiche ? BitmapAffiche->width() : 0, H = BitmapAffiche ? BitmapAffiche->height() : 0;
    if (H - b < t) {
        const int32_t t2 = H - b, b2 = H - t;
        t = t2;
        b = b2;
    }
    if (W - d < g) {
        const int32_t g2 = W - d, d2 = W - g;
        g = g2;
        d = d2;
    }
    haut = t;
    bas = b;
    droite = d;
    gauche = g;
}

void TBordures::BtnRazClick()
{
    for (QLineEdit* e : {EdtBordureHaut, EdtBordureBas, EdtBordureGauche, EdtBordureDroite})
        e->setText(QStringLiteral("0"));
}

void TBordures::BtnDApresSelectionClick()
{
    if (Selection.Genre != SelectionRectangle || !BitmapAffiche)
        return;
    const int32_t W = BitmapAffiche->width(), H = BitmapAffiche->height();
    const TSelectionImage& s = Selection;
    // A rectangle partly off the picture stops at its edge.
    const auto borne = [](int32_t v, int32_t limite) { return EntierEnTexte(BornerEntier(v, 0, limite)); };
    EdtBordureGauche->setText(borne(s.X - s.Largeur / 2, W));
    EdtBordureDroite->setText(borne(W - (s.X - s.Largeur / 2 + s.Largeur), W));
    EdtBordureHaut->setText(borne(s.Y - s.Hauteur / 2, H));
    EdtBordureBas->setText(borne(H - (s.Y - s.Hauteur / 2 + s.Hauteur), H));
}

void TBordures::UpDwnClick(QLineEdit* edit, bool haut)
{
    if (edit->text().isEmpty())
        edit->setText(QStringLiteral("0"));
    if (AuDelaDe(edit->text(), Limite(edit)))
        edit->setText(EntierEnTexte(Limite(edit)));
    IncrementerEditReel(edit, haut ? TBoutonHautBas::Suivant : TBoutonHautBas::Precedent, 0, 1, 0);
}

void TBordures::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->BtnAppliquer->setFocus();
}

void TBordures::hideEvent(QHideEvent* evenement)
{
    QDialog::hideEvent(evenement);
    LibererBitmap(BitmapOrigine);
}
