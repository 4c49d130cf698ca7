#pragma once
// Error model: a failing command throws EStelor with its French text; one
// top-level catch (TApplication) shows it in the "Stelor" error box.
#include <QString>
#include <exception>
#include <string>

class EStelor : public std::exception {
public:
    explicit EStelor(QString message);
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// Input/output error with the class-library code: 2 file not found,
// 5 access refused, 100 read past the end of the file, anything else
// "Erreur E/S <code>".
class EErreurFichier : public EStelor {
public:
    explicit EErreurFichier(int code);
    EErreurFichier(int code, const QString& message);
    int Code() const { return FCode; }

private:
    int FCode;
};

enum : int {
    ES_FichierIntrouvable = 2,
    ES_CheminIntrouvable = 3,
    ES_AccesRefuse = 5,
    ES_LectureApresFin = 100,
    ES_ErreurEcriture = 101,
};

QString TexteErreurES(int code);

[[noreturn]] void LeverErreur(const QString& message);
[[noreturn]] void LeverErreurFichier(int code);
