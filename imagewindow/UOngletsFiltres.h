#pragma once
// The four filter preview tabs of an image window ("Passe bas", "Passe haut",
// "Gaussien", "Masque flou"): a crop of the picture filtered at five
// strengths (a 5 x 5 grid for the unsharp mask); a click on a preview applies
// that filter to the whole image. The component reaches its window only
// through the context below.
#include "UBmp.h"
#include "UFit.h"
#include "UTraitementImage.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QToolButton;

// What the tabs need of their window.
struct TContexteOngletsFiltres {
    THistoFit* ImageFit = nullptr;
    THistoBmp* ImageBmp = nullptr;
    std::function<int()> TypeImage;                 // 1 FIT, 2 BMP, 0 none
    std::function<bool()> Positif;                  // false: the window shows a negative
    std::function<QPoint()> CentreSelection;        // centre of the selection, displayed pixels
    std::function<void()> SelectionParDefaut;       // no selection: a 100 x 100 frame at the centre
    std::function<void(const QString&)> TexteStatut;
    std::function<void()> AfficherSource;           // the "Source" tab becomes the active one
    std::function<void(int force, bool preservatif)> AppliquerPasseBas;
    std::function<void(int force, bool preservatif)> AppliquerPasseHaut;
    std::function<void(bool preservatif, double sigma)> AppliquerGaussien;
    std::function<void(bool preservatif, double sigma, double coefficient)> AppliquerMasqueFlou;
};

// One 100 x 100 preview: shows its picture from the top-left corner, grey
// beyond it; a left click is reported.
class TApercuFiltre : public QWidget {
    Q_OBJECT
public:
    explicit TApercuFiltre(QWidget* parent = nullptr);
    QImage Picture;
    void FixerImage(const QImage& image);

signals:
    void Clic();

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void mouseReleaseEvent(QMouseEvent* evenement) override;
};

enum class TOngletFiltre { PasseBas = 0, PasseHaut = 1, Gaussien = 2, MasqueFlou = 3 };

class TOngletsFiltres : public QObject, public TOngletsImage {
    Q_OBJECT
public:
    explicit TOngletsFiltres(TContexteOngletsFiltres contexte, QObject* parent = nullptr);
    ~TOngletsFiltres() override;

    // Adds the four tabs after the pages already there.
    void AjouterOnglets(QTabWidget* pages);

    // TOngletsImage
    void EnregistrerParametres() override;
    void PageChangee(int index) override;

    // Grey previews, labels "-" (or "-/-"), no hints.
    void Rafraichir(TOngletFiltre onglet);
    // "Appliquer le filtre": every preview of the tab filtered with its value.
    void AppliquerFiltre(TOngletFiltre onglet);
    // A click on preview `index` (0..4; row * 5 + column for the unsharp mask).
    void ClicApercu(TOngletFiltre onglet, int index);
    void LirePreferencesGaussien();
    void LirePreferencesMasqueFlou();
    // The five sigmas and five coefficients as reals (defaults where a text
    // does not convert).
    std::array<double, 5> SigmasGaussien() const;
    std::array<double, 5> SigmasMasqueFlou() const;
    std::array<double, 5> CoefficientsMasqueFlou() const;

    // Controls, named as in the form description.
    QWidget* TbShtPasseBas = nullptr;
    QWidget* TbShtPasseHaut = nullptr;
    QWidget* TbShtGaussien = nullptr;
    QWidget* TbShtMasqueFlou = nullptr;
    std::array<QToolButton*, 4> TlBttnAppliquer{};
    std::array<QCheckBox*, 4> ChckBxPreservatif{};
    QToolButton* TlBttnRestaurerPreferencesGaussien = nullptr;
    QToolButton* TlBttnRestaurerPreferencesMF = nullptr;
    std::array<std::array<TApercuFiltre*, 25>, 4> Apercus{}; // 5 used except for the unsharp mask
    std::array<std::array<QLabel*, 25>, 4> Libelles{};
    std::array<QLineEdit*, 5> EdtSigmaGaussien{};
    std::array<QLineEdit*, 5> EdtSigmaMF{};
    std::array<QLineEdit*, 5> EdtCoefMF{};
    std::array<QSpinBox*, 5> UpDwnSigmaGaussien{};
    std::array<QSpinBox*, 5> UpDwnSigmaMF{};
    std::array<QSpinBox*, 5> UpDwnCoefMF{};
    QSpinBox* UpDwnSigmasGaussien = nullptr;
    QSpinBox* UpDwnSigmasMF = nullptr;
    QSpinBox* UpDwnCoefsMF = nullptr;

private:
    QWidget* CreerOnglet(TOngletFiltre onglet);
    int NombreApercus(TOngletFiltre onglet) const;
    QWidget* Onglet(TOngletFiltre onglet) const;
    // The unfiltered displayed crop around the selection's centre, in the
    // rendering's own format, grey where it leaves the picture.
    QImage CadrageAffiche() const;
    // The image pixels under the preview at the current zoom, clamped.
    void CadrageFit(THistoFit& zone) const;
    void RemplirApercuFit(TApercuFiltre* apercu, const THistoFit& zone,
                          const std::function<void(THistoFit&)>& filtre) const;

    TContexteOngletsFiltres FContexte;
    QTabWidget* FPages = nullptr;
};

// The factory the image window calls to build its preview tabs.
std::unique_ptr<TOngletsImage> CreerOngletsFiltres(TTraitementImage& fenetre);
