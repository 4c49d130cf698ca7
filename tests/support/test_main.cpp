#include "PApplication.h"
#include "PDialogues.h"
#include "Soutien.h"

#include <gtest/gtest.h>

// Leaks are looked for in every test; only the system libraries' own are
// left out, listed in the suppression file.
extern "C" const char* __lsan_default_options()
{
    return "suppressions=" STELOR_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    Dialogues::InstallerRepondeur(ReponseParDefaut);
    return RUN_ALL_TESTS();
}
