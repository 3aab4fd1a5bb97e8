#pragma once

#include "model/PricingStore.h"

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

// Median wall time of `rounds` runs of `work`, in milliseconds.
template <typename Work>
double medianMs(int rounds, Work work)
{
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Stores a 40-entry pricing catalog in the support folder, as the daily sync would.
inline bool storeFortyEntryCatalog()
{
    PricingCatalog catalog{Timestamp{800'000'000}, std::nullopt, {}};
    for (int i = 0; i < 40; ++i)
        catalog.entries.append(
            {QStringLiteral("model-%1").arg(i), i % 5 == 0, 1.0 + i, 1.25, 0.1, 5.0, false});
    PricingStore::save(catalog);
    return PricingStore::load() == catalog;
}
