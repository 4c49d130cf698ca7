#include "Delai.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

TDelaiMaximal::TDelaiMaximal(std::string quoi, int secondes)
{
    FGardien = std::thread([this, quoi = std::move(quoi), secondes] {
        std::unique_lock verrou(FVerrou);
        if (!FFin.wait_for(verrou, std::chrono::seconds(secondes), [this] { return FTermine; })) {
            std::fprintf(stderr, "ÉCHEC : « %s » n'a pas rendu la main en %d s\n", quoi.c_str(), secondes);
            std::fflush(stderr);
            std::_Exit(1);
        }
    });
}

TDelaiMaximal::~TDelaiMaximal()
{
    {
        std::lock_guard verrou(FVerrou);
        FTermine = true;
    }
    FFin.notify_one();
    FGardien.join();
}
