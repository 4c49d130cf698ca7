#pragma once
// Printing a text document: on the system's default printer, or, where there
// is none, into a PDF file chosen in a save dialog.
#include <QString>

class QTextDocument;
class QWidget;

// Prints a copy of the document (the caller's stays as it is) with the title
// as the document's name. Returns false when the user cancelled the PDF
// dialog; a failure to write throws the file error.
bool ImprimerTexte(QWidget* parent, const QString& titre, const QTextDocument* document);
