#include "FlatMenu.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

QColor Eclaircir(const QColor& c, int p)
{
    p = std::clamp(p, 0, 100);
    auto canal = [p](int v) { return v + ((255 - v) * p + 50) / 100; };
    return QColor(canal(c.red()), canal(c.green()), canal(c.blue()));
}

QColor Assombrir(const QColor& c, int a)
{
    return QColor(std::clamp(c.red() - a, 0, 255), std::clamp(c.green() - (a - 2), 0, 255),
                  std::clamp(c.blue() - a, 0, 255));
}

QColor CouleurPalette(TCouleur couleur, const QPalette& palette)
{
    const uint32_t c = static_cast<uint32_t>(couleur);
    if ((c >> 24) != 0xFF)
        return CouleurEnQColor(couleur);
    switch (c & 0xFF) {
    case 3: // inactive caption
        return palette.color(QPalette::Mid);
    case 4: // menu
        return palette.color(QPalette::Window);
    case 7: // menu text
        return palette.color(QPalette::WindowText);
    case 12: // application work space
    case 16: // button shadow
        return palette.color(QPalette::Dark);
    case 13:
        return palette.color(QPalette::Highlight);
    case 14:
        return palette.color(QPalette::HighlightedText);
    case 15:
        return palette.color(QPalette::Button);
    default:
        return CouleurEnQColor(couleur);
    }
}

// ---------------------------------------------------------------------------

class TStyleMenuPlat : public QProxyStyle {
public:
    explicit TStyleMenuPlat(TFlatMenu* composant) : FComposant(composant) {}

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& taille,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                     const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* p,
                       const QWidget* widget) const override;
    int pixelMetric(PixelMetric metrique, const QStyleOption* option, const QWidget* widget) const override;

private:
    void DessinerItem(const QStyleOptionMenuItem& o, QPainter* p, const QWidget* widget) const;
    void DessinerItemBarre(const QStyleOptionMenuItem& o, QPainter* p, const QWidget* widget) const;
    void DessinerIcone(const QStyleOptionMenuItem& o, QPainter* p, const QRect& colonne, const TCouleursMenu& c) const;
    TFlatMenu* FComposant;
};

namespace {

constexpr int TailleIcone = 16;
// The submenu arrow is drawn 12 pixels from the item's right edge.
constexpr int PlaceFlecheSousMenu = 14;

QString Legende(const QString& texte) { return texte.section(QLatin1Char('\t'), 0, 0); }
QString Raccourci(const QString& texte)
{
    const qsizetype tab = texte.indexOf(QLatin1Char('\t'));
    return tab < 0 ? QString() : texte.mid(tab + 1);
}

// Each pixel (R + G + B) div 3 + 90, at most 240.
QImage Griser(QImage image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int g = std::min((qRed(ligne[x]) + qGreen(ligne[x]) + qBlue(ligne[x])) / 3 + 90, 240);
            ligne[x] = qRgba(g, g, g, qAlpha(ligne[x]));
        }
    }
    return image;
}

QImage EclaircirImage(QImage image, int pourcent)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = Eclaircir(QColor::fromRgb(ligne[x]), pourcent);
            ligne[x] = qRgba(c.red(), c.green(), c.blue(), qAlpha(ligne[x]));
        }
    }
    return image;
}

// Every pixel that differs from the bottom-left one (and is not transparent)
// in one colour.
QImage Silhouette(const QImage& source, const QColor& couleur)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb fond = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ligne[x] = (ligne[x] != fond && qAlpha(ligne[x]) != 0) ? couleur.rgb() : qRgba(0, 0, 0, 0);
    }
    return image;
}

bool Sombre(const QColor& c) { return (c.red() + c.blue()) / 2 < 151 && c.green() < 201; }

} // namespace

int TStyleMenuPlat::pixelMetric(PixelMetric metrique, const QStyleOption* option, const QWidget* widget) const
{
    if (FComposant->Active() && FComposant->EstAccroche(widget)) {
        if (metrique == PM_MenuPanelWidth)
            return 1;
        if (metrique == PM_MenuHMargin || metrique == PM_MenuVMargin)
            return 1;
    }
    return QProxyStyle::pixelMetric(metrique, option, widget);
}

QSize TStyleMenuPlat::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& taille,
                                       const QWidget* widget) const
{
    const auto* o = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!FComposant->Active() || !o || (type != CT_MenuItem && type != CT_MenuBarItem))
        return QProxyStyle::sizeFromContents(type, option, taille, widget);
    const bool barre = type == CT_MenuBarItem;
    const bool separateur = o->menuItemType == QStyleOptionMenuItem::Separator;
    QString texte = separateur ? QString() : Legende(o->text);
    if (!separateur && !Raccourci(o->text).isEmpty())
        texte += Raccourci(o->text) + QStringLiteral("WWW");
    const QFontMetrics fm(FComposant->PoliceEffective());
    int w = fm.horizontalAdvance(texte);
    if (texte.contains(QLatin1Char('&')))
        w -= fm.horizontalAdvance(QLatin1Char('&'));
    int largeurIcone = o->icon.isNull() ? 0 : TailleIcone;
    const int hauteurIcone = o->icon.isNull() ? 0 : TailleIcone;
    if (!barre)
        largeurIcone = std::max(largeurIcone, FComposant->IconWidth);
    // Qt, unlike the system menus, adds no room for the submenu arrow.
    if (!barre && o->menuItemType == QStyleOptionMenuItem::SubMenu)
        w += PlaceFlecheSousMenu;
    QSize resultat = taille;
    resultat.setWidth(std::max(taille.width(), w + largeurIcone + 10));
    if (separateur) {
        resultat.setHeight(4);
    } else {
        const int h = fm.height() + static_cast<int>(std::lround(0.75 * fm.height()));
        resultat.setHeight(std::max({taille.height(), h, hauteurIcone + 4}));
    }
    return resultat;
}

void TStyleMenuPlat::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* p,
                                   const QWidget* widget) const
{
    if (FComposant->Active() && FComposant->EstAccroche(widget)) {
        const TCouleursMenu c = FComposant->CouleursEffectives(option->palette);
        if (element == PE_PanelMenu || element == PE_FrameMenu) {
            // The background, then the border: flat in the shadow colour,
            // otherwise raised (light top and left, dark bottom and right).
            const QRect r = option->rect.adjusted(0, 0, -1, -1);
            p->save();
            if (element == PE_PanelMenu)
                p->fillRect(option->rect, c.Menu);
            if (FComposant->FlatMenu) {
                p->setPen(c.Ombre1);
                p->drawLine(r.topLeft(), r.topRight());
                p->drawLine(r.topLeft(), r.bottomLeft());
                p->setPen(c.Ombre2);
                p->drawLine(r.bottomLeft(), r.bottomRight());
                p->drawLine(r.topRight(), r.bottomRight());
            } else {
                p->setPen(option->palette.color(QPalette::Light));
                p->drawLine(r.topLeft(), r.topRight());
                p->drawLine(r.topLeft(), r.bottomLeft());
                p->setPen(option->palette.color(QPalette::Dark));
                p->drawLine(r.bottomLeft(), r.bottomRight());
                p->drawLine(r.topRight(), r.bottomRight());
            }
            p->restore();
            return;
        }
        if (element == PE_PanelMenuBar) {
            p->fillRect(option->rect, c.BarreMenu);
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, p, widget);
}

void TStyleMenuPlat::drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                                 const QWidget* widget) const
{
    if (FComposant->Active() && FComposant->EstAccroche(widget)) {
        const auto* o = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuItem && o) {
            DessinerItem(*o, p, widget);
            return;
        }
        if (element == CE_MenuBarItem && o) {
            DessinerItemBarre(*o, p, widget);
            return;
        }
        if (element == CE_MenuEmptyArea || element == CE_MenuBarEmptyArea) {
            const TCouleursMenu c = FComposant->CouleursEffectives(option->palette);
            p->fillRect(option->rect, element == CE_MenuEmptyArea ? c.Menu : c.BarreMenu);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, p, widget);
}

void TStyleMenuPlat::DessinerItemBarre(const QStyleOptionMenuItem& o, QPainter* p, const QWidget* widget) const
{
    const TCouleursMenu c = FComposant->CouleursEffectives(o.palette);
    const QRect r = o.rect;
    p->save();
    p->fillRect(r, c.BarreMenu);
    const bool selectionne = (o.state & State_Selected) && (o.state & State_Enabled);
    const bool gaucheADroite = o.direction == Qt::LeftToRight;
    if (selectionne && FComposant->DrawSelect) {
        const QRect boite = r.adjusted(0, 1, gaucheADroite && c.Profondeur16 ? -5 : -1, -1);
        p->setPen(Assombrir(c.BarreMenu, 100));
        p->setBrush(Qt::NoBrush);
        p->drawRect(boite);
        if (gaucheADroite && c.Profondeur16) {
            // The shadow along the right side, darkest next to the box.
            const int niveaux[4] = {100, 60, 30, 10};
            for (int i = 0; i < 4; ++i) {
                p->setPen(Assombrir(c.BarreMenu, niveaux[i]));
                p->drawLine(boite.right() + 1 + i, boite.top() + 2 + i, boite.right() + 1 + i, boite.bottom());
            }
            const int coins[3] = {10, 30, 40};
            for (int i = 0; i < 3; ++i) {
                p->setPen(Assombrir(c.BarreMenu, coins[i]));
                p->drawPoint(boite.right() + 1 + i, boite.top() + 1 + i);
            }
        } else {
            p->fillRect(boite.adjusted(2, 2, -1, -1), c.FondSelection);
        }
    }
    QColor texte = (o.state & State_Enabled) ? CouleurPalette(FComposant->FontColor, o.palette) : c.Desactive;
    if (selectionne && Sombre(c.ColonneIcones))
        texte = Eclaircir(c.ColonneIcones, 90);
    p->setPen(texte);
    p->setFont(FComposant->PoliceEffective());
    const int mnemonique =
        styleHint(SH_UnderlineShortcut, &o, widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    p->drawText(r.adjusted(0, 0, gaucheADroite ? -4 : 0, 0), Qt::AlignCenter | mnemonique, o.text);
    p->restore();
}

void TStyleMenuPlat::DessinerItem(const QStyleOptionMenuItem& o, QPainter* p, const QWidget* widget) const
{
    const TCouleursMenu c = FComposant->CouleursEffectives(o.palette);
    const bool separateur = o.menuItemType == QStyleOptionMenuItem::Separator;
    const bool actif = o.state & State_Enabled;
    const bool selectionne = (o.state & State_Selected) && !separateur;
    const bool droiteAGauche = o.direction == Qt::RightToLeft;
    const bool coche = o.checkType != QStyleOptionMenuItem::NotCheckable && o.checked;
    const bool image = !o.icon.isNull();
    const int largeurColonne = FComposant->IconWidth;
    const QRect r = o.rect;
    const QRect colonne = droiteAGauche ? QRect(r.right() - largeurColonne + 1, r.top(), largeurColonne, r.height())
                                        : QRect(r.left(), r.top(), largeurColonne, r.height());
    const int bord = std::max(largeurColonne, image ? TailleIcone + 4 : 0);
    const QRect zoneTexte = droiteAGauche ? QRect(r.left(), r.top(), r.width() - bord, r.height())
                                          : QRect(r.left() + bord, r.top(), r.width() - bord, r.height());
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);

    // Background.
    if (FComposant->Gradient && c.Profondeur16) {
        int pas = 0;
        for (int i = 0; i < r.width(); ++i) {
            pas = std::min(pas + (i < largeurColonne + 5 ? 1 : 3), 96);
            const int x = droiteAGauche ? r.right() - i : r.left() + i;
            p->fillRect(QRect(x, r.top(), 1, r.height()), Eclaircir(c.ColonneIcones, pas));
        }
    } else {
        p->fillRect(zoneTexte, c.Menu);
        p->fillRect(colonne, c.ColonneIcones);
    }

    // Selection box of an enabled item.
    if (selectionne && actif && FComposant->DrawSelect) {
        const QRect boite = r.adjusted(0, 0, -1, FComposant->FlatMenu ? -2 : -1);
        p->fillRect(boite, c.FondSelection);
        p->setPen(c.CadreSelection);
        p->setBrush(Qt::NoBrush);
        p->drawRect(boite);
    }

    // Check mark.
    if (coche) {
        const QRect caseCoche = image ? colonne.adjusted(1, 2, -3, -2)
                                      : QRect(colonne.left() + (colonne.width() - 10) / 2,
                                              colonne.top() + (colonne.height() - 10) / 2, 10, 10);
        p->setBrush(selectionne ? c.CaseCocheeSelection : c.CaseCochee);
        p->setPen(image ? c.CadreSelection : c.CadreCoche);
        if (o.checkType == QStyleOptionMenuItem::Exclusive) {
            p->setRenderHint(QPainter::Antialiasing, true);
            if (image)
                p->drawRoundedRect(QRectF(caseCoche).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
            else
                p->drawEllipse(QRectF(caseCoche).adjusted(0.5, 0.5, -0.5, -0.5));
            p->setRenderHint(QPainter::Antialiasing, false);
        } else {
            p->drawRect(caseCoche.adjusted(0, 0, -1, -1));
            if (!image) {
                // The tick, five segments from the box's corners.
                const int g = caseCoche.left(), h = caseCoche.top();
                const int d = caseCoche.left() + caseCoche.width(), b = caseCoche.top() + caseCoche.height();
                p->setPen(Qt::black);
                p->drawLine(g + 1, h + 5, g + 4, b - 2);
                p->drawLine(g + 2, h + 5, g + 4, b - 3);
                p->drawLine(g + 2, h + 4, g + 5, b - 3);
                p->drawLine(g + 4, b - 3, d + 2, h - 1);
                p->drawLine(g + 4, b - 2, d - 2, h + 3);
            }
        }
    }

    if (image)
        DessinerIcone(o, p, colonne, c);

    if (separateur) {
        const int y = r.top() + r.height() / 2;
        p->setPen(c.Separateur);
        if (droiteAGauche)
            p->drawLine(zoneTexte.left(), y, zoneTexte.right() - 7, y);
        else
            p->drawLine(zoneTexte.left() + 7, y, zoneTexte.right(), y);
        p->restore();
        return;
    }

    // Texts.
    QColor couleurTexte = !actif ? c.Desactive
                          : selectionne ? c.TexteSelection
                                        : CouleurPalette(FComposant->FontColor, o.palette);
    const QFont police = FComposant->PoliceEffective();
    p->setFont(police);
    const QFontMetrics fm(police);
    const QRect ligne(zoneTexte.left(), r.top() + (r.height() - fm.height()) / 2, zoneTexte.width(), fm.height());
    const int mnemonique =
        styleHint(SH_UnderlineShortcut, &o, widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    const int cote = droiteAGauche ? Qt::AlignRight : Qt::AlignLeft;
    const QString legende = QStringLiteral(" ") + Legende(o.text);
    if (o.menuItemType == QStyleOptionMenuItem::DefaultItem) {
        const QPoint decalages[4] = {{1, 0}, {0, 1}, {1, 1}, {2, 1}};
        const int niveaux[4] = {30, 30, 40, 60};
        for (int i = 0; i < 4; ++i) {
            p->setPen(Assombrir(selectionne ? c.FondSelection : c.Menu, niveaux[i]));
            p->drawText(ligne.translated(decalages[i]), cote | Qt::AlignVCenter | mnemonique, legende);
        }
    }
    p->setPen(couleurTexte);
    p->drawText(ligne, cote | Qt::AlignVCenter | mnemonique, legende);
    const QString raccourci = Raccourci(o.text);
    const QRect marge = ligne.adjusted(droiteAGauche ? 10 : 0, 0, droiteAGauche ? 0 : -10, 0);
    if (!raccourci.isEmpty()) {
        p->setPen(c.Profondeur16 ? Eclaircir(couleurTexte, 40) : couleurTexte);
        p->drawText(marge, (droiteAGauche ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                    raccourci + QStringLiteral(" "));
    }
    if (o.menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOption fleche = o;
        const int gauche = droiteAGauche ? r.left() + 4 : r.right() - (PlaceFlecheSousMenu - 2);
        fleche.rect = QRect(gauche, r.top() + (r.height() - 8) / 2, 8, 8);
        fleche.palette.setColor(QPalette::ButtonText, couleurTexte);
        fleche.palette.setColor(QPalette::WindowText, couleurTexte);
        QProxyStyle::drawPrimitive(droiteAGauche ? PE_IndicatorArrowLeft : PE_IndicatorArrowRight, &fleche, p,
                                   widget);
    }
    p->restore();
}

void TStyleMenuPlat::DessinerIcone(const QStyleOptionMenuItem& o, QPainter* p, const QRect& colonne,
                                   const TCouleursMenu& c) const
{
    const bool actif = o.state & State_Enabled;
    const bool selectionne = o.state & State_Selected;
    const bool coche = o.checkType != QStyleOptionMenuItem::NotCheckable && o.checked;
    const qreal ratio = p->device() ? p->device()->devicePixelRatioF() : 1.0;
    QImage icone = o.icon.pixmap(QSize(TailleIcone, TailleIcone), ratio).toImage();
    icone.setDevicePixelRatio(1.0);
    icone = icone.scaled(TailleIcone, TailleIcone);
    // Centred one pixel left of the column's middle; a wider icon 2 pixels from the edge.
    const int x = TailleIcone <= colonne.width() ? colonne.left() + (colonne.width() - TailleIcone) / 2 - 1
                                                 : colonne.left() + 2;
    const int y = colonne.top() + (colonne.height() - TailleIcone) / 2;
    if (!actif) {
        p->drawImage(x, y, Griser(icone));
    } else if (!coche && selectionne) {
        p->drawImage(x + 2, y + 2, Silhouette(icone, Assombrir(c.FondSelection, 50)));
        p->drawImage(x - 1, y - 1, icone);
    } else if (!coche && c.Profondeur16) {
        p->drawImage(x, y, EclaircirImage(icone, 30));
    } else {
        p->drawImage(x, y, icone);
    }
}

// ---------------------------------------------------------------------------

TFlatMenu::TFlatMenu(QWidget* forme) : QObject(forme), FForme(forme), FStyle(new TStyleMenuPlat(this))
{
    setObjectName(QStringLiteral("FlatMenu"));
    FFont = QApplication::font("QMenu");
    if (FFont.family() == QLatin1String("MS Sans Serif"))
        FFont.setFamily(QStringLiteral("Tahoma"));
    qApp->installEventFilter(this);
}

TFlatMenu::~TFlatMenu()
{
    if (qApp)
        qApp->removeEventFilter(this);
    DecrocherTout();
    delete FStyle;
}

QStyle* TFlatMenu::Style() const { return FStyle; }

int TFlatMenu::ProfondeurCouleurs() const
{
    if (FProfondeur > 0)
        return FProfondeur;
    const QScreen* ecran = QGuiApplication::primaryScreen();
    return ecran ? ecran->depth() : 32;
}

QFont TFlatMenu::PoliceEffective() const
{
    if (!FUseSystemColors)
        return FFont;
    QFont police = QApplication::font("QMenu");
    if (police.family() == QLatin1String("MS Sans Serif"))
        police.setFamily(QStringLiteral("Tahoma"));
    return police;
}

TCouleursMenu TFlatMenu::CouleursEffectives(const QPalette& palette) const
{
    auto col = [&palette](TCouleur c) { return CouleurPalette(c, palette); };
    TCouleursMenu c;
    c.Profondeur16 = ProfondeurCouleurs() >= 16;
    c.Menu = col(Color);
    c.ColonneIcones = col(IconBackColor);
    c.FondSelection = col(SelectColor);
    c.CadreSelection = col(SelectBorderColor);
    c.TexteSelection = col(SelectFontColor);
    c.BarreMenu = col(FMenuBarColor);
    c.Desactive = col(DisabledColor);
    c.CadreCoche = col(CheckedColor);
    c.Separateur = col(SeparatorColor);
    const QColor blanc(255, 255, 255);
    if (c.Profondeur16) {
        c.CaseCochee = Eclaircir(col(SelectColor), 75);
        c.CaseCocheeSelection = Eclaircir(col(SelectColor), 50);
        c.Ombre1 = Assombrir(col(clBtnFace), 90);
        c.Ombre2 = Assombrir(col(clBtnFace), 76);
    } else {
        c.CaseCochee = blanc;
        c.CaseCocheeSelection = QColor(0xC0, 0xC0, 0xC0);
        c.Ombre1 = c.Ombre2 = col(clBtnShadow);
    }
    if (FUseSystemColors) {
        c.TexteSelection = col(clMenuText);
        if (c.Profondeur16) {
            c.Menu = Eclaircir(col(clBtnFace), 86);
            c.ColonneIcones = Eclaircir(col(clBtnFace), 16);
            c.FondSelection = Eclaircir(col(clHighlight), 68);
            c.CadreSelection = col(clHighlight);
            c.BarreMenu = col(clMenu);
            c.Desactive = Eclaircir(col(clBtnShadow), 10);
            c.Separateur = Eclaircir(col(clBtnShadow), 25);
            c.CadreCoche = col(clHighlight);
            c.CaseCochee = Eclaircir(col(clHighlight), 75);
            c.CaseCocheeSelection = Eclaircir(col(clHighlight), 50);
        } else {
            c.Menu = blanc;
            c.ColonneIcones = col(clBtnFace);
            c.FondSelection = blanc;
            c.CadreSelection = col(clHighlight);
            c.BarreMenu = col(clBtnFace);
            c.Desactive = c.Separateur = col(clBtnShadow);
            c.CadreCoche = col(clHighlight);
            c.CaseCochee = c.CaseCocheeSelection = blanc;
        }
    }
    return c;
}

void TFlatMenu::SetActive(bool valeur)
{
    DecrocherTout();
    FActive = valeur;
    if (valeur)
        AccrocherTout();
    RedessinerBarre();
}

void TFlatMenu::SetFont(const QFont& police)
{
    FFont = police;
    RedessinerBarre();
}

void TFlatMenu::SetMenuBarColor(TCouleur couleur)
{
    FMenuBarColor = couleur;
    RedessinerBarre();
}

void TFlatMenu::SetUseSystemColors(bool valeur)
{
    FUseSystemColors = valeur;
    RedessinerBarre();
}

void TFlatMenu::SetOverrideOwnerDraw(bool valeur)
{
    FOverrideOwnerDraw = valeur;
    if (FActive)
        SetActive(true);
}

bool TFlatMenu::EstAccroche(const QWidget* menu) const { return menu && menu->style() == FStyle; }

bool TFlatMenu::AppartientALaForme(const QWidget* menu) const
{
    // The nearest form above the menu that carries a painter must be ours:
    // the frame leaves the menus of its document windows to theirs.
    for (const QWidget* w = menu; w; w = w->parentWidget())
        if (const auto* composant = w->findChild<TFlatMenu*>(QString(), Qt::FindDirectChildrenOnly))
            return composant == this;
    return false;
}

void TFlatMenu::Accrocher(QWidget* menu)
{
    if (!FActive || !AppartientALaForme(menu) || EstAccroche(menu))
        return;
    // A menu that draws itself keeps its own drawing.
    if (menu->testAttribute(Qt::WA_SetStyle) && !FOverrideOwnerDraw)
        return;
    menu->setStyle(FStyle);
    menu->setFont(PoliceEffective());
    FMenus.append(menu);
}

void TFlatMenu::AccrocherTout()
{
    if (!FForme)
        return;
    for (QMenuBar* barre : FForme->findChildren<QMenuBar*>())
        Accrocher(barre);
    for (QMenu* menu : FForme->findChildren<QMenu*>())
        Accrocher(menu);
}

void TFlatMenu::DecrocherTout()
{
    // The menus hooked so far, not the form's children: this also runs
    // while the form is being destroyed.
    for (const QPointer<QWidget>& menu : std::as_const(FMenus))
        if (menu && EstAccroche(menu)) {
            menu->setStyle(nullptr);
            menu->setFont(QFont());
            menu->setAttribute(Qt::WA_SetFont, false);
        }
    FMenus.clear();
}

void TFlatMenu::RedessinerBarre()
{
    if (!FForme)
        return;
    for (QMenuBar* barre : FForme->findChildren<QMenuBar*>())
        barre->update();
}

bool TFlatMenu::eventFilter(QObject* objet, QEvent* event)
{
    // Menus made after the hooking are hooked as they are first polished.
    if (event->type() == QEvent::Polish && FActive && AutoDetect && objet->isWidgetType() &&
        (qobject_cast<QMenu*>(objet) || qobject_cast<QMenuBar*>(objet)))
        Accrocher(static_cast<QWidget*>(objet));
    return QObject::eventFilter(objet, event);
}

TFlatMenu* CreerFlatMenu(QWidget* forme)
{
    auto* f = new TFlatMenu(forme);
    f->AutoDetect = true;
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    f->SetFont(tahoma);
    f->FontColor = clMenuText;
    f->Color = clBtnFace;
    f->IconBackColor = clBtnFace;
    f->SetMenuBarColor(clBtnFace);
    f->CheckedColor = clHighlight;
    f->SeparatorColor = clBtnFace;
    f->SelectBorderColor = clHighlight;
    f->SelectColor = clHighlight;
    f->DisabledColor = clInactiveCaption;
    f->SelectFontColor = clMenuText;
    f->IconWidth = 24;
    f->DrawSelect = true;
    f->SetUseSystemColors(true);
    f->SetOverrideOwnerDraw(false);
    f->Gradient = false;
    f->FlatMenu = false;
    f->SetActive(true);
    return f;
}
