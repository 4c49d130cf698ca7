#include "UHistogrammeFit.h"

#include "ui_UHistogrammeFit.h"

THistogrammeFit::THistogrammeFit(QWidget* parent)
    : TFenetreSeuils(QStringLiteral("HistogrammeFit"), parent), FUi(std::make_unique<Ui::THistogrammeFit>())
{
    auto* contenu = new QWidget(this);
    FUi->setupUi(contenu);
    PrendreControles(*FUi, contenu);
}

THistogrammeFit::~THistogrammeFit() = default;

void THistogrammeFit::Initialiser(int numero, THistoFit& image)
{
    Image = &image;
    Lier(numero);
}

int64_t THistogrammeFit::MaxiImage() const { return Image->PixelsPresents() ? MaxiArrondiFit(*Image) : 0; }
int THistogrammeFit::PremierBitsBalayage() const { return 16; }
int THistogrammeFit::BitsMini() const { return 8; }
int THistogrammeFit::BitsMaxi() const { return 16; }

void THistogrammeFit::EcrireSeuils(int32_t bas, int32_t haut) { FixerSeuilsFit(*Image, bas, haut, false, true); }

void THistogrammeFit::EcrireTransfert(double transfert) { FixerTransfertFit(*Image, false, true, transfert); }

void THistogrammeFit::EcrireNiveauxAutomatiques()
{
    FixerSeuilsFit(*Image, SeuilMiniAutoFit(*Image), SeuilMaxiAutoFit(*Image), false, true);
    FixerTransfertFit(*Image, false, true, 0);
}
