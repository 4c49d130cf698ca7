#pragma once
// Exports a picture as a JPEG file: quality slider, compressed size and a
// 1:1 preview of the picture as the file will hold it.
#include <QDialog>
#include <QImage>
#include <QString>
#include <cstdint>

namespace Ui {
class TExportationJpeg;
}

class TExportationJpeg : public QDialog {
    Q_OBJECT
public:
    explicit TExportationJpeg(QWidget* parent = nullptr);
    ~TExportationJpeg() override;

    // Takes a copy of the picture (the caller keeps its own) and previews it.
    void Initialiser(const QImage& bitmap);
    // Compresses at the current quality through a temporary file, reads the
    // file back into the preview and deletes it.
    void Previsualiser();
    int Qualite() const;

    QImage BitmapAExporter;
    bool Exporte = false; // a file was written during this showing

    // Folder of the preview's temporary file; empty: the program's folder,
    // or the system's temporary folder when that one is not writable.
    QString DossierTemporaire;
    // Size in bytes of the last preview, and the temporary name it used.
    int64_t TailleFichierPrevisualisation() const { return FTaille; }
    QString DernierFichierTemporaire() const { return FDernierTemporaire; }

    // "123 Ko (123456 octets)": 1 Ko is 1000 bytes.
    static QString TexteTaille(int64_t octets);

protected:
    void showEvent(QShowEvent* evenement) override;
    void resizeEvent(QResizeEvent* evenement) override;
    void done(int resultat) override;

private:
    void TrckBrQualiteChange(int position);
    void BtnExporterClick();
    QString DossierPrevisualisation() const;

    Ui::TExportationJpeg* ui;
    int64_t FTaille = 0;
    QString FDernierTemporaire;
};

extern TExportationJpeg* ExportationJpeg;
