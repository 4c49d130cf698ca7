#pragma once
// Conversion options of the batch save: target format, how colour pictures
// become FIT files, JPEG quality.
#include <QDialog>
#include <memory>

namespace Ui {
class TConversionImages;
}

class TConversionImages : public QDialog {
    Q_OBJECT
public:
    enum : int { FormatFit = 0, FormatBmp = 1, FormatJpeg = 2 };
    enum : int { CouleursMoyenne = 0, CouleursPlansSepares = 1 };

    explicit TConversionImages(QWidget* parent = nullptr);
    ~TConversionImages() override;

    int LireFormat() const;
    int LireCouleurs() const;
    int LireQualite() const;
    QString TexteFormat() const; // "Fit", "Bmp" or "Jpeg"

    void CmbBxFormatChange();
    void BtnOkClick();

    std::unique_ptr<Ui::TConversionImages> ui;

protected:
    void showEvent(QShowEvent* evenement) override;
};

extern TConversionImages* ConversionImages;
