// The flat menu painter: an item's measures, the colour rules read back
// from a pop-up rendered to an image, the hooking of the form's menus.
#include "FlatMenu.h"
#include "Soutien.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <gtest/gtest.h>

namespace {

// A red square of 12 pixels inside a transparent border of 2; its grey is
// (255 + 0 + 0) div 3 + 90 = 175.
QIcon IconeRouge()
{
    QImage i(16, 16, QImage::Format_ARGB32);
    i.fill(Qt::transparent);
    for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 14; ++x)
            i.setPixel(x, y, qRgb(255, 0, 0));
    return QIcon(QPixmap::fromImage(i));
}

struct TMenuEssai {
    QMainWindow Forme;
    QMenu* Menu;
    QAction *Coche, *Desactive, *Separateur, *Raccourci, *Simple;
    TFlatMenu* Peintre;

    TMenuEssai()
    {
        Menu = Forme.menuBar()->addMenu(QStringLiteral("&Fichier"));
        Coche = Menu->addAction(QStringLiteral("Cochée"));
        Coche->setCheckable(true);
        Coche->setChecked(true);
        Desactive = Menu->addAction(IconeRouge(), QStringLiteral("Désactivée"));
        Desactive->setEnabled(false);
        Separateur = Menu->addSeparator();
        Raccourci = Menu->addAction(QStringLiteral("Enregistrer"));
        Raccourci->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        Simple = Menu->addAction(QStringLiteral("Simple"));
        Peintre = CreerFlatMenu(&Forme);
        Peintre->FixerProfondeurCouleurs(32);
    }

    // The menu rendered with the shortcut item selected.
    QImage Rendu()
    {
        Menu->ensurePolished();
        Menu->adjustSize();
        Menu->setActiveAction(Raccourci);
        QImage image(Menu->size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        Menu->render(&image);
        return image;
    }
    QColor Sys(TCouleur c) const { return CouleurPalette(c, Menu->palette()); }
};

QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

// The first x from `depuis` along row y whose colour is `c`; -1 if none.
int Chercher(const QImage& image, int depuis, int jusqua, int y, const QColor& c)
{
    for (int x = depuis; x < jusqua; ++x)
        if (Pixel(image, x, y) == c)
            return x;
    return -1;
}

} // namespace

TEST(FlatMenu, EclaircirEtAssombrir)
{
    const std::tuple<QColor, int, QColor> eclaircir[] = {
        {QColor(0, 0, 0), 50, QColor(128, 128, 128)},     {QColor(240, 240, 240), 86, QColor(253, 253, 253)},
        {QColor(0, 120, 215), 68, QColor(173, 212, 242)}, {QColor(10, 20, 30), 0, QColor(10, 20, 30)},
        {QColor(10, 20, 30), 150, QColor(255, 255, 255)}};
    for (const auto& [c, p, attendu] : eclaircir)
        EXPECT_EQ(Eclaircir(c, p), attendu) << c.name().toStdString() << " " << p;
    // Green rises when a - 2 < 0.
    EXPECT_EQ(QList<QColor>({Assombrir(QColor(240, 240, 240), 90), Assombrir(QColor(50, 1, 100), 76),
                             Assombrir(QColor(250, 250, 250), 1)}),
              QList<QColor>({QColor(150, 152, 150), QColor(0, 0, 24), QColor(249, 251, 249)}));
}

TEST(FlatMenu, Mesures)
{
    TMenuEssai e;
    QStyle* style = e.Peintre->Style();
    ASSERT_EQ(e.Menu->style(), style);
    QStyleOptionMenuItem o;
    o.initFrom(e.Menu);
    const QFontMetrics fm(e.Peintre->PoliceEffective());
    auto taille = [&](QStyle::ContentsType genre, QStyleOptionMenuItem::MenuItemType type, const char* texte,
                      QSize donnee = QSize(5, 5)) {
        o.menuItemType = type;
        o.text = QString::fromLatin1(texte);
        return style->sizeFromContents(genre, &o, donnee, e.Menu);
    };
    const auto normal = QStyleOptionMenuItem::Normal;
    // A separator is 4 pixels high whatever the font.
    EXPECT_EQ(taille(QStyle::CT_MenuItem, QStyleOptionMenuItem::Separator, "", QSize(5, 30)).height(), 4);
    // A caption: its width (the & unseen) + the icon column 24 + 10, a wider size kept;
    // the height leaves room around the text.
    EXPECT_EQ(taille(QStyle::CT_MenuItem, normal, "Ouvr&ir"),
              QSize(fm.horizontalAdvance("Ouvr&ir") - fm.horizontalAdvance('&') + 34,
                    fm.height() + qRound(0.75 * fm.height())));
    EXPECT_EQ(taille(QStyle::CT_MenuItem, normal, "Ouvr&ir", QSize(500, 5)).width(), 500);
    // The shortcut reserves "WWW" between caption and shortcut; the menu bar no icon column.
    EXPECT_EQ(taille(QStyle::CT_MenuItem, normal, "Ouvrir\tCtrl+O").width(),
              fm.horizontalAdvance(QStringLiteral("OuvrirCtrl+OWWW")) + 34);
    EXPECT_EQ(taille(QStyle::CT_MenuBarItem, normal, "Fichier").width(), fm.horizontalAdvance("Fichier") + 10);
    // A submenu item keeps its arrow (drawn from 12 pixels before the right
    // edge) clear of the caption, drawn after the icon column and a blank.
    EXPECT_GT(taille(QStyle::CT_MenuItem, QStyleOptionMenuItem::SubMenu, "Histogramme").width() - 1 - 12,
              24 + fm.horizontalAdvance(QStringLiteral(" Histogramme")));
}

// The colours where each rule shows: icon column, text area, the selected
// item's fill and frame, the separator line, the check box's frame and fill.
QList<QColor> Releve(const TMenuEssai& e, const QImage& image, const QColor& cadreCoche, int* xCadre = nullptr)
{
    const QRect simple = e.Menu->actionGeometry(e.Simple), raccourci = e.Menu->actionGeometry(e.Raccourci);
    const QRect separateur = e.Menu->actionGeometry(e.Separateur), coche = e.Menu->actionGeometry(e.Coche);
    const int cadre = Chercher(image, coche.left(), coche.left() + 24, coche.center().y(), cadreCoche);
    if (xCadre)
        *xCadre = cadre - coche.left();
    return {Pixel(image, simple.left() + 2, simple.top() + 1), Pixel(image, simple.left() + 30, simple.top() + 1),
            Pixel(image, raccourci.left() + 2, raccourci.top() + 2),
            Pixel(image, raccourci.left(), raccourci.center().y()),
            Pixel(image, raccourci.right() - 1, raccourci.top()),
            Pixel(image, separateur.left() + 24 + 8, separateur.top() + separateur.height() / 2),
            Pixel(image, separateur.left() + 24 + 3, separateur.top() + separateur.height() / 2),
            cadre < 0 ? QColor() : Pixel(image, cadre + 2, coche.top() + (coche.height() - 10) / 2 + 2)};
}

TEST(FlatMenu, CouleursSystemeEtDuComposant)
{
    TMenuEssai e;
    const QColor face = e.Sys(clBtnFace), surbrillance = e.Sys(clHighlight);
    const QImage image = e.Rendu();
    ASSERT_EQ(e.Menu->actionGeometry(e.Separateur).height(), 4);
    int xCadre = -1;
    EXPECT_EQ(Releve(e, image, surbrillance, &xCadre),
              QList<QColor>({Eclaircir(face, 16), Eclaircir(face, 86), Eclaircir(surbrillance, 68), surbrillance,
                             surbrillance, Eclaircir(e.Sys(clBtnShadow), 25), Eclaircir(face, 86),
                             Eclaircir(surbrillance, 75)}));
    EXPECT_EQ(xCadre, 7);
    // The shortcut lies right-aligned with a 10-pixel margin.
    const QRect raccourci = e.Menu->actionGeometry(e.Raccourci);
    bool raccourciVu = false;
    for (int x = raccourci.right() - 60; x < raccourci.right() - 10 && !raccourciVu; ++x)
        for (int y = raccourci.top() + 2; y < raccourci.bottom() - 1; ++y)
            raccourciVu = raccourciVu || Pixel(image, x, y) != Eclaircir(surbrillance, 68);
    EXPECT_TRUE(raccourciVu);
    for (int y = raccourci.top() + 1; y < raccourci.bottom(); ++y)
        EXPECT_EQ(Pixel(image, raccourci.right() - 8, y), Eclaircir(surbrillance, 68)) << y;
    // The disabled item's icon is grey.
    const QRect desactive = e.Menu->actionGeometry(e.Desactive);
    EXPECT_EQ(Pixel(image, desactive.left() + 8, desactive.center().y()), QColor(175, 175, 175));

    // The component's own colours.
    e.Peintre->SetUseSystemColors(false);
    e.Peintre->Color = CouleurRVB(250, 240, 200);
    e.Peintre->IconBackColor = CouleurRVB(200, 220, 250);
    e.Peintre->SelectColor = CouleurRVB(100, 200, 100);
    e.Peintre->SelectBorderColor = CouleurRVB(0, 100, 0);
    e.Peintre->SeparatorColor = CouleurRVB(10, 10, 200);
    e.Peintre->CheckedColor = CouleurRVB(200, 0, 0);
    const QColor fond(250, 240, 200), icones(200, 220, 250), choix(100, 200, 100), bord(0, 100, 0);
    EXPECT_EQ(Releve(e, e.Rendu(), QColor(200, 0, 0)),
              QList<QColor>({icones, fond, choix, bord, bord, QColor(10, 10, 200), fond, Eclaircir(choix, 75)}));
    // A 256-colour display: white checked area, no gradient.
    e.Peintre->FixerProfondeurCouleurs(8);
    e.Peintre->Gradient = true;
    const QImage huit = e.Rendu();
    EXPECT_EQ(Releve(e, huit, QColor(200, 0, 0)).last(), QColor(255, 255, 255));
    const QRect simple = e.Menu->actionGeometry(e.Simple);
    EXPECT_EQ(Pixel(huit, simple.left() + 60, simple.top() + 1), fond);
    // At 32 bits the gradient lightens the icon column colour column by column.
    e.Peintre->FixerProfondeurCouleurs(32);
    const QImage degrade = e.Rendu();
    for (const auto& [dx, p] : {std::pair(0, 1), {28, 29}, {29, 32}})
        EXPECT_EQ(Pixel(degrade, simple.left() + dx, simple.top() + 1), Eclaircir(icones, p)) << dx;
}

TEST(FlatMenu, AccrochageEtDessinPropre)
{
    QMainWindow forme;
    QMenu* propre = forme.menuBar()->addMenu(QStringLiteral("Propre"));
    QProxyStyle styleAutre;
    propre->setStyle(&styleAutre);
    QMenu* ordinaire = forme.menuBar()->addMenu(QStringLiteral("Ordinaire"));
    TFlatMenu* peintre = CreerFlatMenu(&forme);
    // "1" for each widget hooked by the painter.
    auto accroches = [&](std::initializer_list<QWidget*> w) {
        QString t;
        for (QWidget* m : w)
            t += peintre->EstAccroche(m) ? '1' : '0';
        return t;
    };
    EXPECT_EQ(accroches({ordinaire, forme.menuBar(), propre}), "110");
    EXPECT_EQ(propre->style(), &styleAutre);
    // Taken over only with OverrideOwnerDraw; deactivating gives back the application's style.
    peintre->SetOverrideOwnerDraw(true);
    EXPECT_EQ(accroches({propre}), "1");
    peintre->SetActive(false);
    EXPECT_EQ(accroches({propre, ordinaire}), "00");
    EXPECT_EQ(ordinaire->style(), QApplication::style());
    // Deactivating never removes a style that is not the painter's.
    QMenu* autre = forme.menuBar()->addMenu(QStringLiteral("Autre"));
    autre->setStyle(&styleAutre);
    peintre->SetOverrideOwnerDraw(false);
    peintre->SetActive(true);
    peintre->SetActive(false);
    EXPECT_EQ(autre->style(), &styleAutre);
    // A menu added later is hooked once polished (AutoDetect), not without it.
    peintre->SetActive(true);
    QMenu* tard = ordinaire->addMenu(QStringLiteral("Plus tard"));
    tard->ensurePolished();
    peintre->AutoDetect = false;
    QMenu* sansDetection = ordinaire->addMenu(QStringLiteral("Sans détection"));
    sansDetection->ensurePolished();
    EXPECT_EQ(accroches({tard, sansDetection}), "10");
    // A form inside the form keeps its menus for its own painter.
    QWidget* fille = new QWidget(&forme);
    QMenu* menuFille = new QMenu(fille);
    TFlatMenu* peintreFille = CreerFlatMenu(fille);
    peintre->SetActive(true);
    EXPECT_EQ(std::tuple(peintreFille->EstAccroche(menuFille), peintre->EstAccroche(menuFille)),
              std::tuple(true, false));
    propre->setStyle(nullptr);
    autre->setStyle(nullptr);
}

TEST(FlatMenu, IconesEclairciesEtOmbreDeSelection)
{
    TMenuEssai e;
    QAction* icone = e.Menu->addAction(IconeRouge(), QStringLiteral("Avec icône"));
    QImage image = e.Rendu();
    const QRect r = e.Menu->actionGeometry(icone);
    // Unselected: the icon lightened by 30, centred one pixel left of the column's middle.
    const int x = r.left() + (24 - 16) / 2 - 1, y = r.top() + (r.height() - 16) / 2;
    EXPECT_EQ(Pixel(image, x + 8, y + 8), Eclaircir(QColor(255, 0, 0), 30));
    EXPECT_EQ(Pixel(image, x + 16, y + 8), Eclaircir(e.Sys(clBtnFace), 16));
    // Selected: drawn one pixel up and left over its shadow, 2 pixels right and down.
    e.Menu->setActiveAction(icone);
    image.fill(Qt::magenta);
    e.Menu->render(&image);
    const QColor ombre = Assombrir(Eclaircir(e.Sys(clHighlight), 68), 50);
    const QColor rouge(255, 0, 0), fond = Eclaircir(e.Sys(clHighlight), 68);
    const std::tuple<int, int, QColor> points[] = {{1, 1, rouge},    {12, 12, rouge}, {13, 13, ombre},
                                                   {15, 15, ombre},  {16, 15, fond},  {14, 3, fond}};
    for (const auto& [dx, dy, c] : points)
        EXPECT_EQ(Pixel(image, x + dx, y + dy), c) << dx << "," << dy;
}
