#include "PErreurs.h"
#include "Soutien.h"
#include "UAnimation.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {
struct Controles {
    explicit Controles(TAnimation& d)
        : Frequence(d.findChild<QLineEdit*>(QStringLiteral("EdtFrequence")))
        , HautBas(d.findChild<QSpinBox*>(QStringLiteral("UpDwnFrequence")))
        , OK(d.findChild<QPushButton*>(QStringLiteral("BtnOK")))
    {
    }
    QLineEdit* Frequence;
    QSpinBox* HautBas;
    QPushButton* OK;
};
} // namespace

TEST(Animation, ValeursInitialesEtPeriodeIllisible)
{
    TAnimation d;
    EXPECT_EQ(std::tuple(d.LireFrequence(), d.LireImages(), d.LireSens(), d.LireBoucle()), std::tuple(1000, 1, 0, true));
    d.FixerFrequence(-20); // negative periods are kept as typed
    EXPECT_EQ(d.LireFrequence(), -20);
    Controles(d).Frequence->setText(QStringLiteral("99999999999"));
    EXPECT_THROW(d.LireFrequence(), EStelor);
}

TEST(Animation, PasDuCompteur)
{
    struct Cas {
        const char* depart;
        int sens; // +1 up, -1 down
        const char* arrivee;
    };
    const Cas cas[] = {{"300", -1, "-200"}, {"-200", -1, "-200"}, {"0", -1, "0"},   {"", 1, "1500"},
                       {"", -1, "500"},     {"2147483647", 1, "2147483647"}, {"2147483500", 1, "2147483647"},
                       {"1000", 1, "1500"}};
    TAnimation d;
    Controles c(d);
    for (const Cas& k : cas) {
        SCOPED_TRACE(std::string(k.depart) + (k.sens > 0 ? " +" : " -"));
        c.Frequence->setText(QString::fromLatin1(k.depart));
        c.HautBas->stepBy(k.sens);
        EXPECT_EQ(c.Frequence->text(), QString::fromLatin1(k.arrivee));
        EXPECT_EQ(c.HautBas->value(), 2500);
    }
    // Only digits are typed in.
    c.Frequence->clear();
    c.Frequence->setFocus();
    QTest::keyClicks(c.Frequence, QStringLiteral("1a2-3,"));
    EXPECT_EQ(c.Frequence->text(), QStringLiteral("123"));
}

TEST(Animation, OKRemplitUnePeriodeVide)
{
    TAnimation d;
    Controles c(d);
    c.Frequence->clear();
    d.show();
    QTest::mouseClick(c.OK, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(c.Frequence->text(), QStringLiteral("1000"));
}
