#pragma once
// Base of every document window inside the frame: shown from its creation,
// freed when it closes, and able to refuse the close. The window's kind is
// fixed at creation (its Tag); the frame asks any document window through the
// virtual operations below, which the window classes of the higher layers
// override. The defaults describe a window that has none of these traits.
#include <QMdiSubWindow>
#include <QString>

class THistoFit;
class THistoBmp;

// Kind of a document window, carried in its Tag.
enum : int {
    GenreImage = 9999,
    GenreHistogramme = 9998,   // display-threshold window (FIT or BMP)
    GenreVisionneuse = 9995,
    GenrePretraitement = 9994,
    GenreTrichromie = 9993,
};

// Selection kinds of an image window.
enum : int { SelectionAucune = 0, SelectionPoint = 1, SelectionRectangle = 2 };

// Close action handed through the close handlers.
enum class TActionFermeture { Aucune, Cacher, Liberer, Reduire };

class TMDIChild : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit TMDIChild(int genre, QWidget* parent = nullptr);
    ~TMDIChild() override;

    int Tag() const { return FTag; }

    // Close handler: the base sets the action to Liberer. A derived window
    // overrides it (rather than closeEvent), calls the base first, then does
    // its own work and may set the action back to Aucune (for instance when
    // the user keeps an unsaved image). The frame's quit calls it directly.
    virtual void FormClose(TActionFermeture& action);

    // What the frame reads from any document window (the names end in
    // "Document" so that the windows' own fields keep their plain names).
    virtual int NumeroDocument() const { return 0; }        // image: its number; threshold: its image's
    virtual QString NomFichierDocument() const { return {}; } // image window's file name
    virtual int TypeImageDocument() const { return 0; }     // 1 FIT, 2 BMP, 0 other
    virtual int GenreSelection() const { return SelectionAucune; }
    virtual QString TexteZoomDocument() const { return {}; } // the zoom edit's text, e.g. "125%"
    virtual bool ResultatEnregistrable() const { return false; } // preprocessing: holds a result

    // What the frame asks an image window to do. The defaults of the three
    // fills raise an error: only image windows are asked.
    virtual void OuvrirImage(const QString& nomFichier, bool redemarrerHistorique);
    virtual void NouvelleImageFit(const THistoFit& image);
    virtual void NouvelleImageBmp(const THistoBmp& image);
    virtual void DupliquerDepuis(TMDIChild& source);
    virtual void AfficherPageSource() {}
    // Writes the text into the zoom edit and applies it as the Enter key does.
    virtual void ZoomParTexte(const QString& /*texte*/) {}
    virtual void ZoomPasAPas(int /*direction*/) {}          // 1 smaller, 0 larger
    virtual void AfficherImageSource() {}                  // re-render with selection and summary
    virtual void MarquerSelection(bool /*marquer*/) {}     // status bar pink + "Sélection", or restored
    virtual void AjusteTailleFenetreALImageSource() {}

    // Settings push: scroll tracking of the window's picture boxes, threshold step.
    virtual void FixerDefilementTempsReel(bool /*suivre*/) {}
    virtual void FixerPas(int /*reglSeuilsVisu*/) {}

    // True once the window accepted to close (it is about to be freed).
    bool EnFermeture() const { return FEnFermeture; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int FTag;
    bool FEnFermeture = false;
};
