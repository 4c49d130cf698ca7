#include "UAvertissementVersionTest.h"

#include "UMain.h"
#include "ui_UAvertissementVersionTest.h"

#include <QApplication>
#include <QKeyEvent>

TAvertissementVersionTest* AvertissementVersionTest = nullptr;

TAvertissementVersionTest::TAvertissementVersionTest(QWidget* parent)
    : QDialog(parent), FUi(std::make_unique<Ui::TAvertissementVersionTest>())
{
    FUi->setupUi(this);
    setObjectName(QStringLiteral("AvertissementVersionTest"));
    const QStringList lignes = {
        QStringLiteral("Stelor Version 1.4 Beta - Janvier 2004"),
        QString(),
        QString::fromLatin1(AdresseCourrielAuteur),
        QString(),
        QStringLiteral("Ceci est une version test destinée"),
        QStringLiteral("à des utilisateurs testeurs."),
        QString(),
        QStringLiteral("La documentation en cours de réalisation"),
        QStringLiteral("n'est pas fournie avec cette version."),
        QString(),
        QStringLiteral("Téléchargez prochainement la version"),
        QStringLiteral("gratuite sur internet à l'adresse :"),
        QString(),
        QString::fromLatin1(AdresseSiteStelor),
    };
    FUi->RchEdtAvertissement->setPlainText(lignes.join(QLatin1Char('\n')));
    QTextCursor c(FUi->RchEdtAvertissement->document());
    c.select(QTextCursor::Document);
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.mergeBlockFormat(centre);
    FUi->RchEdtAvertissement->installEventFilter(this);
    connect(FUi->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(FUi->BtnQuitter, &QPushButton::clicked, this, [this] {
        reject();
        QApplication::quit();
    });
}

TAvertissementVersionTest::~TAvertissementVersionTest()
{
    if (AvertissementVersionTest == this)
        AvertissementVersionTest = nullptr;
}

QString TAvertissementVersionTest::Texte() const { return FUi->RchEdtAvertissement->toPlainText(); }

void TAvertissementVersionTest::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FUi->BtnOk->setFocus();
}

void TAvertissementVersionTest::keyPressEvent(QKeyEvent* event)
{
    // Escape presses the cancel button, Quitter, as the notice's own button does.
    if (event->matches(QKeySequence::Cancel)) {
        FUi->BtnQuitter->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TAvertissementVersionTest::eventFilter(QObject* objet, QEvent* event)
{
    // The notice's text cannot be changed: every key is swallowed.
    if (objet == FUi->RchEdtAvertissement &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease))
        return true;
    return QDialog::eventFilter(objet, event);
}
