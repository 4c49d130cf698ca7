#pragma once
// The display-threshold window of a BMP image: edits, live, the display
// levels and curve of the THistoBmp that an image window owns.
#include "UFenetreSeuils.h"
#include "UBmp.h"

#include <memory>

namespace Ui {
class THistogrammeBmp;
}

class THistogrammeBmp : public TFenetreSeuils {
    Q_OBJECT
public:
    explicit THistogrammeBmp(QWidget* parent = nullptr);
    ~THistogrammeBmp() override;

    // Binds the window to image window `numero` and its image (not owned).
    void Initialiser(int numero, THistoBmp& image);
    bool Liee() const override { return Image != nullptr; }

    THistoBmp* Image = nullptr;

protected:
    const void* ImageLiee() const override { return Image; }
    void Oublier() override { Image = nullptr; }
    int64_t MaxiImage() const override;
    int PremierBitsBalayage() const override;
    int BitsMini() const override;
    int BitsMaxi() const override;
    int32_t SMinImage() const override { return Image->SMin; }
    int32_t SMaxImage() const override { return Image->SMax; }
    double TransfertImage() const override { return Image->TRFT; }
    void EcrireSeuils(int32_t bas, int32_t haut) override;
    void EcrireTransfert(double transfert) override;
    void EcrireNiveauxAutomatiques() override;

private:
    std::unique_ptr<Ui::THistogrammeBmp> FUi;
};
