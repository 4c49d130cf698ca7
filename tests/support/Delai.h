#pragma once
// A deadline for steps that could hang in the test's own thread (a busy
// loop, a modal loop): when the step has not returned in time the run
// stops with a message instead of blocking, and the test counts as failed.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class TDelaiMaximal {
public:
    TDelaiMaximal(std::string quoi, int secondes);
    ~TDelaiMaximal(); // the step returned in time

private:
    std::mutex FVerrou;
    std::condition_variable FFin;
    bool FTermine = false;
    std::thread FGardien;
};
