#pragma once
// The hourglass for the length of a scope; restored however the scope ends.
class TSablier {
public:
    TSablier();
    ~TSablier();
    TSablier(const TSablier&) = delete;
    TSablier& operator=(const TSablier&) = delete;
};
