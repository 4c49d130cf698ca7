#include "UHistogrammeBmp.h"

#include "ui_UHistogrammeBmp.h"

THistogrammeBmp::THistogrammeBmp(QWidget* parent)
    : TFenetreSeuils(QStringLiteral("HistogrammeBmp"), parent), FUi(std::make_unique<Ui::THistogrammeBmp>())
{
    auto* contenu = new QWidget(this);
    FUi->setupUi(contenu);
    PrendreControles(*FUi, contenu);
}

THistogrammeBmp::~THistogrammeBmp() = default;

void THistogrammeBmp::Initialiser(int numero, THistoBmp& image)
{
    Image = &image;
    Lier(numero);
}

int64_t THistogrammeBmp::MaxiImage() const { return Image->BitmapSource.isNull() ? 0 : MaxiBmp(*Image); }
int THistogrammeBmp::PremierBitsBalayage() const { return 8; }
int THistogrammeBmp::BitsMini() const { return 4; }
int THistogrammeBmp::BitsMaxi() const { return 8; }

void THistogrammeBmp::EcrireSeuils(int32_t bas, int32_t haut) { FixerSeuilsBmp(*Image, bas, haut, false, true); }

void THistogrammeBmp::EcrireTransfert(double transfert) { FixerTransfertBmp(*Image, transfert, false, true); }

void THistogrammeBmp::EcrireNiveauxAutomatiques()
{
    FixerSeuilsBmp(*Image, SeuilMiniBmpDefaut(), SeuilMaxiBmpDefaut(), false, true);
    FixerTransfertBmp(*Image, TransfertBmpDefaut(), false, true);
}
