// The flat menu painter: the measures of an item, the colour rules read
// back from a pop-up rendered to an image, and the hooking of the form's
// menus.
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
    struct {
        QColor c;
        int p;
        QColor attendu;
    } const eclaircir[] = {{QColor(0, 0, 0), 50, QColor(128, 128, 128)}, {QColor(240, 240, 240), 86, QColor(253, 253, 253)},
                           {QColor(0, 120, 215), 68, QColor(173, 212, 242)}, {QColor(10, 20, 30), 0, QColor(10, 20, 30)},
                           {QColor(10, 20, 30), 150, QColor(255, 255, 255)}};
    for (const auto& e : eclaircir)
        EXPECT_EQ(Eclaircir(e.c, e.p), e.attendu) << e.c.name().toStdString() << " " << e.p;
    EXPECT_EQ(Assombrir(QColor(240, 240, 240), 90), QColor(150, 152, 150));
    EXPECT_EQ(Assombrir(QColor(50, 1, 100), 76), QColor(0, 0, 24));
    EXPECT_EQ(Assombrir(QColor(250, 250, 250), 1), QColor(249, 251, 249)); // green rises: a - 2 < 0
}

TEST(FlatMenu, Mesures)
{
    TMenuEssai e;
    QStyle* style = e.Peintre->Style();
    ASSERT_EQ(e.Menu->style(), style);
    QStyleOptionMenuItem o;
    o.initFrom(e.Menu);
    const QFontMetrics fm(e.Peintre->PoliceEffective());
    // A separator is 4 pixels high whatever the font.
    o.menuItemType = QStyleOptionMenuItem::Separator;
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_MenuItem, &o, QSize(5, 30), e.Menu).height(), 4);
    // A caption without icon or shortcut: its width + the icon column + 10.
    o.menuItemType = QStyleOptionMenuItem::Normal;
    o.text = QStringLiteral("Ouvr&ir");
    const int texte = fm.horizontalAdvance(o.text) - fm.horizontalAdvance(QLatin1Char('&'));
    EXPECT_GE(style->sizeFromContents(QStyle::CT_MenuItem, &o, QSize(5, 5), e.Menu).width(), texte + 24 + 10);
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_MenuItem, &o, QSize(5, 5), e.Menu).width(), texte + 34);
    // A wider size given stays; the height leaves room around the text.
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_MenuItem, &o, QSize(500, 5), e.Menu).width(), 500);
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_MenuItem, &o, QSize(5, 5), e.Menu).height(),
              fm.height() + qRound(0.75 * fm.height()));
    // The shortcut reserves "WWW" between caption and shortcut.
    o.text = QStringLiteral("Ouvrir\tCtrl+O");
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_MenuItem, &o, QSize(5, 5), e.Menu).width(),
              fm.horizontalAdvance(QStringLiteral("OuvrirCtrl+OWWW")) + 34);
    // A submenu item keeps its arrow (drawn from 12 pixels before the right
    // edge) clear of the caption, drawn after the icon column and a blank.
    o.menuItemType = QStyleOptionMenuItem::SubMenu;
    o.text = QStringLiteral("Histogramme");
    const int finLegende = 24 + fm.horizontalAdvance(QStringLiteral(" Histogramme"));
    const int largeur = style->sizeFromContents(QStyle::CT_MenuItem, &o, QSize(5, 5), e.Menu).width();
    EXPECT_GT(largeur - 1 - 12, finLegende);
    o.menuItemType = QStyleOptionMenuItem::Normal;
    // On the menu bar the icon column is not reserved.
    o.text = QStringLiteral("Fichier");
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_MenuBarItem, &o, QSize(5, 5), e.Menu).width(),
              fm.horizontalAdvance(o.text) + 10);
}

TEST(FlatMenu, CouleursSysteme)
{
    TMenuEssai e;
    const QImage image = e.Rendu();
    const QColor face = e.Sys(clBtnFace), surbrillance = e.Sys(clHighlight), ombre = e.Sys(clBtnShadow);
    const QRect simple = e.Menu->actionGeometry(e.Simple);
    const QRect raccourci = e.Menu->actionGeometry(e.Raccourci);
    const QRect separateur = e.Menu->actionGeometry(e.Separateur);
    const QRect coche = e.Menu->actionGeometry(e.Coche);
    const QRect desactive = e.Menu->actionGeometry(e.Desactive);
    ASSERT_EQ(separateur.height(), 4);
    // Icon column and text area of an ordinary item.
    EXPECT_EQ(Pixel(image, simple.left() + 2, simple.top() + 1), Eclaircir(face, 16));
    EXPECT_EQ(Pixel(image, simple.left() + 30, simple.top() + 1), Eclaircir(face, 86));
    // The selected item: filled, framed.
    EXPECT_EQ(Pixel(image, raccourci.left() + 2, raccourci.top() + 2), Eclaircir(surbrillance, 68));
    EXPECT_EQ(Pixel(image, raccourci.left(), raccourci.center().y()), surbrillance);
    EXPECT_EQ(Pixel(image, raccourci.right() - 1, raccourci.top()), surbrillance);
    // Its shortcut, aligned right with a 10-pixel margin, in the text colour lightened by 40.
    bool raccourciVu = false;
    for (int x = raccourci.right() - 60; x < raccourci.right() - 10 && !raccourciVu; ++x)
        for (int y = raccourci.top() + 2; y < raccourci.bottom() - 1; ++y)
            raccourciVu = raccourciVu || Pixel(image, x, y) != Eclaircir(surbrillance, 68);
    EXPECT_TRUE(raccourciVu);
    for (int y = raccourci.top() + 1; y < raccourci.bottom(); ++y)
        EXPECT_EQ(Pixel(image, raccourci.right() - 8, y), Eclaircir(surbrillance, 68)) << y;
    // The separator line at mid-height, 7 pixels after the icon column.
    const int ys = separateur.top() + separateur.height() / 2;
    EXPECT_EQ(Pixel(image, separateur.left() + 24 + 8, ys), Eclaircir(ombre, 25));
    EXPECT_EQ(Pixel(image, separateur.left() + 24 + 3, ys), Eclaircir(face, 86));
    // The check box: framed in the highlight, filled lightened by 75.
    const int yc = coche.center().y();
    const int cadre = Chercher(image, coche.left(), coche.left() + 24, yc, surbrillance);
    ASSERT_GE(cadre, coche.left());
    EXPECT_EQ(cadre, coche.left() + 7);
    EXPECT_EQ(Pixel(image, cadre + 2, coche.top() + (coche.height() - 10) / 2 + 2), Eclaircir(surbrillance, 75));
    // The disabled item's icon is grey.
    const QColor gris = Pixel(image, desactive.left() + 8, desactive.center().y());
    EXPECT_EQ(gris, QColor(175, 175, 175));
}

TEST(FlatMenu, CouleursDuComposant)
{
    TMenuEssai e;
    e.Peintre->SetUseSystemColors(false);
    e.Peintre->Color = CouleurRVB(250, 240, 200);
    e.Peintre->IconBackColor = CouleurRVB(200, 220, 250);
    e.Peintre->SelectColor = CouleurRVB(100, 200, 100);
    e.Peintre->SelectBorderColor = CouleurRVB(0, 100, 0);
    e.Peintre->SeparatorColor = CouleurRVB(10, 10, 200);
    e.Peintre->CheckedColor = CouleurRVB(200, 0, 0);
    const QImage image = e.Rendu();
    const QRect simple = e.Menu->actionGeometry(e.Simple);
    const QRect raccourci = e.Menu->actionGeometry(e.Raccourci);
    const QRect separateur = e.Menu->actionGeometry(e.Separateur);
    const QRect coche = e.Menu->actionGeometry(e.Coche);
    EXPECT_EQ(Pixel(image, simple.left() + 2, simple.top() + 1), QColor(200, 220, 250));
    EXPECT_EQ(Pixel(image, simple.left() + 30, simple.top() + 1), QColor(250, 240, 200));
    EXPECT_EQ(Pixel(image, raccourci.left() + 2, raccourci.top() + 2), QColor(100, 200, 100));
    EXPECT_EQ(Pixel(image, raccourci.left(), raccourci.top()), QColor(0, 100, 0));
    EXPECT_EQ(Pixel(image, separateur.left() + 24 + 8, separateur.top() + 2), QColor(10, 10, 200));
    const int cadre = Chercher(image, coche.left(), coche.left() + 24, coche.center().y(), QColor(200, 0, 0));
    ASSERT_GE(cadre, coche.left());
    EXPECT_EQ(Pixel(image, cadre + 2, coche.top() + (coche.height() - 10) / 2 + 2),
              Eclaircir(QColor(100, 200, 100), 75));

    // A 256-colour display: white checked area, no gradient.
    e.Peintre->FixerProfondeurCouleurs(8);
    e.Peintre->Gradient = true;
    const QImage huit = e.Rendu();
    EXPECT_EQ(Pixel(huit, cadre + 2, coche.top() + (coche.height() - 10) / 2 + 2), QColor(255, 255, 255));
    EXPECT_EQ(Pixel(huit, simple.left() + 30, simple.top() + 1), QColor(250, 240, 200));
    EXPECT_EQ(Pixel(huit, simple.left() + 60, simple.top() + 1), QColor(250, 240, 200));
    // At 32 bits the gradient lightens the icon column colour column by column.
    e.Peintre->FixerProfondeurCouleurs(32);
    const QImage degrade = e.Rendu();
    EXPECT_EQ(Pixel(degrade, simple.left(), simple.top() + 1), Eclaircir(QColor(200, 220, 250), 1));
    EXPECT_EQ(Pixel(degrade, simple.left() + 28, simple.top() + 1), Eclaircir(QColor(200, 220, 250), 29));
    EXPECT_EQ(Pixel(degrade, simple.left() + 29, simple.top() + 1), Eclaircir(QColor(200, 220, 250), 32));
}

TEST(FlatMenu, AccrochageEtDessinPropre)
{
    QMainWindow forme;
    QMenu* propre = forme.menuBar()->addMenu(QStringLiteral("Propre"));
    QProxyStyle styleAutre;
    propre->setStyle(&styleAutre);
    QMenu* ordinaire = forme.menuBar()->addMenu(QStringLiteral("Ordinaire"));
    TFlatMenu* peintre = CreerFlatMenu(&forme);
    EXPECT_TRUE(peintre->EstAccroche(ordinaire));
    EXPECT_TRUE(peintre->EstAccroche(forme.menuBar()));
    EXPECT_EQ(propre->style(), &styleAutre);
    // Taken over only with OverrideOwnerDraw; deactivating gives back the application's style.
    peintre->SetOverrideOwnerDraw(true);
    EXPECT_TRUE(peintre->EstAccroche(propre));
    peintre->SetActive(false);
    EXPECT_FALSE(peintre->EstAccroche(propre));
    EXPECT_FALSE(peintre->EstAccroche(ordinaire));
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
    EXPECT_TRUE(peintre->EstAccroche(tard));
    peintre->AutoDetect = false;
    QMenu* sansDetection = ordinaire->addMenu(QStringLiteral("Sans détection"));
    sansDetection->ensurePolished();
    EXPECT_FALSE(peintre->EstAccroche(sansDetection));
    // A form inside the form keeps its menus for its own painter.
    QWidget* fille = new QWidget(&forme);
    QMenu* menuFille = new QMenu(fille);
    TFlatMenu* peintreFille = CreerFlatMenu(fille);
    peintre->SetActive(true);
    EXPECT_TRUE(peintreFille->EstAccroche(menuFille));
    EXPECT_FALSE(peintre->EstAccroche(menuFille));
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
    EXPECT_EQ(Pixel(image, x + 1, y + 1), QColor(255, 0, 0));
    EXPECT_EQ(Pixel(image, x + 12, y + 12), QColor(255, 0, 0));
    EXPECT_EQ(Pixel(image, x + 13, y + 13), ombre);
    EXPECT_EQ(Pixel(image, x + 15, y + 15), ombre);
    EXPECT_EQ(Pixel(image, x + 16, y + 15), Eclaircir(e.Sys(clHighlight), 68));
    EXPECT_EQ(Pixel(image, x + 14, y + 3), Eclaircir(e.Sys(clHighlight), 68));
}
