#pragma once

#include "RefreshPipeline.h"

// What one refresh hands from step to step; shared by the pipeline's two source files.
struct RefreshPipeline::Run
{
    RefreshPolicy policy;
    qint64 generation = 0;
    QString token;
    bool patchFailed = false;
    std::optional<UsageSnapshot> snapshot;
    std::shared_ptr<DashboardClient::Cancellation> cancellation;
    RefreshOutcome outcome;
};
