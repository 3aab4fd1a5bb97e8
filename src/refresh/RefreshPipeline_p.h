#pragma once

#include "RefreshPipeline.h"

// What one refresh hands from step to step: facts, never the caller's choices (a step is handed those
// it reads). Shared by the pipeline's source files and the step list.
struct RefreshPipeline::Run
{
    RefreshFacts facts;
    qint64 generation = 0;
    QString token;
    bool patchFailed = false;
    std::optional<UsageSnapshot> snapshot;
    std::shared_ptr<DashboardClient::Cancellation> cancellation;
    RefreshOutcome outcome;
};
