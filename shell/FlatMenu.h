#pragma once
// The flat menu painter: a component owned by a form that draws the form's
// menu bar and pop-up menus flat: an icon column, a framed selection box,
// check marks as small boxes, greyed and shadowed icons, optional gradient
// and flat borders. It hooks a menu by giving it its style; a menu that has
// a style of its own keeps it unless OverrideOwnerDraw is on.
#include "UOutils.h"

#include <QFont>
#include <QList>
#include <QObject>
#include <QPointer>

class QMenu;
class QPalette;
class QStyle;
class QWidget;
class TStyleMenuPlat;

// The colours used for one item, recomputed before each is drawn.
struct TCouleursMenu {
    QColor Menu, ColonneIcones, FondSelection, CadreSelection, TexteSelection, CaseCochee, CaseCocheeSelection,
        CadreCoche, BarreMenu, Desactive, Separateur, Ombre1, Ombre2;
    bool Profondeur16 = true; // 16 bits per pixel or more
};

// Each of red, green and blue moved towards 255 by p percent (p at most 100).
QColor Eclaircir(const QColor& c, int p);
// Red and blue lowered by a, green by a - 2, each clamped to 0..255.
QColor Assombrir(const QColor& c, int a);
// A class-library colour with the system colours taken from the palette.
QColor CouleurPalette(TCouleur couleur, const QPalette& palette);

// System colours the painter uses.
enum : TCouleur {
    clInactiveCaption = static_cast<TCouleur>(0xFF000003),
    clMenu = static_cast<TCouleur>(0xFF000004),
    clMenuText = static_cast<TCouleur>(0xFF000007),
    clHighlight = static_cast<TCouleur>(0xFF00000D),
    clBtnFace = static_cast<TCouleur>(0xFF00000F),
    clBtnShadow = static_cast<TCouleur>(0xFF000010),
};

class TFlatMenu : public QObject {
    Q_OBJECT
public:
    // The owner is the form whose menus are drawn. Construction defaults:
    // the system menu font, inactive.
    explicit TFlatMenu(QWidget* forme);
    ~TFlatMenu() override;

    bool Active() const { return FActive; }
    void SetActive(bool valeur);
    const QFont& Font() const { return FFont; }
    void SetFont(const QFont& police);
    TCouleur MenuBarColor() const { return FMenuBarColor; }
    void SetMenuBarColor(TCouleur couleur);
    bool UseSystemColors() const { return FUseSystemColors; }
    void SetUseSystemColors(bool valeur);
    bool OverrideOwnerDraw() const { return FOverrideOwnerDraw; }
    void SetOverrideOwnerDraw(bool valeur);

    // Properties that only store their value.
    bool AutoDetect = false;
    TCouleur FontColor = clMenuText;
    TCouleur Color = clBtnFace;
    TCouleur IconBackColor = clBtnFace;
    TCouleur CheckedColor = clHighlight;
    TCouleur SeparatorColor = clBtnFace;
    TCouleur SelectBorderColor = clHighlight;
    TCouleur SelectColor = clHighlight;
    TCouleur DisabledColor = clInactiveCaption;
    TCouleur SelectFontColor = clMenuText;
    int IconWidth = 24;
    bool DrawSelect = true;
    bool Gradient = false;
    bool FlatMenu = false;

    QWidget* Forme() const { return FForme; }
    QStyle* Style() const;
    // Bits per pixel of the display (0: the screen's), fixed by tests.
    void FixerProfondeurCouleurs(int bits) { FProfondeur = bits; }
    int ProfondeurCouleurs() const;
    // The effective colours and the font used for the next item.
    TCouleursMenu CouleursEffectives(const QPalette& palette) const;
    QFont PoliceEffective() const;
    // True when the menu is drawn by this component.
    bool EstAccroche(const QWidget* menu) const;

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    bool AppartientALaForme(const QWidget* menu) const;
    void Accrocher(QWidget* menu);
    void AccrocherTout();
    void DecrocherTout();
    void RedessinerBarre();

    QPointer<QWidget> FForme;
    QList<QPointer<QWidget>> FMenus;
    TStyleMenuPlat* FStyle;
    QFont FFont;
    bool FActive = false;
    bool FUseSystemColors = true;
    bool FOverrideOwnerDraw = false;
    TCouleur FMenuBarColor = clBtnFace;
    int FProfondeur = 0;
};

// A painter with the values every form of the program sets, active.
TFlatMenu* CreerFlatMenu(QWidget* forme);
