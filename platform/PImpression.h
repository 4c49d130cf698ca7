#pragma once
// Printing: on the system's default printer, or, where there is none, into
// a PDF file chosen in a save dialog.
#include <QFont>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QTextDocument;
class QWidget;

// Hands the printer to `dessiner`, with the title as the document's name.
// Without a printer the PDF goes through the safe write of the chosen file:
// a failure throws the file error naming it and leaves nothing behind.
// False when the user cancelled the PDF dialog, whose caption is `legende`.
bool Imprimer(QWidget* parent, const QString& titre, const QString& legende,
              const std::function<void(QPagedPaintDevice&)>& dessiner);

// A copy of the document (the caller's stays as it is).
bool ImprimerDocument(QWidget* parent, const QString& titre, const QString& legende, const QTextDocument& document);

// Plain text in the font; a size in pixels is taken as screen pixels (96 per
// inch), so that on paper the text keeps the size it has on screen.
bool ImprimerTexte(QWidget* parent, const QString& titre, const QString& legende, const QString& texte,
                   const QFont& police);
