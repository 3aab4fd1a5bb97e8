#pragma once

#include "FakeService.h"
#include "RecordingRunner.h"
#include "TestEnvironment.h"

#include "platform/MemorySecretStore.h"

// One test's world for the tests that reach the service over loopback or run the real executables
// (the refresh's own rules are tested on scripted edges instead, ScriptedEdges.h): temporary
// folders with the clock pinned, an in-memory keychain, recorded commands, and the fake service as
// the service origin.
struct ServiceWorld
{
    struct Options
    {
        QString now; // empty: Monday 2026-04-20 10:00 in Shanghai, the tests' time zone
        // Every route answers from the sample account (tests/fake_service/account), or for tokens
        // starting with "team" from its team seat, the pricing route with the sample document; otherwise
        // routes answer 404 until scripted.
        bool sampleAccount = false;
        int answerDelayMs = 0; // every answer of the sample account this late
        // Keeps this process's D-Bus session (the private one of scripts/with-keyring). Otherwise the
        // bus is pointed nowhere, so that a test that forgot the in-memory keychain fails rather
        // than reach a real keyring.
        bool sessionBus = false;
    };

    ServiceWorld();
    explicit ServiceWorld(const Options& options);
    // Waits until the service has had no request for a moment: what a test left running (an event
    // patch, a ledger sync) finishes against this world's service, never the next test's.
    ~ServiceWorld();

    ServiceWorld(const ServiceWorld&) = delete;
    ServiceWorld& operator=(const ServiceWorld&) = delete;

    TestEnvironment env;
    MemorySecretStore secrets;
    RecordingRunner runner;
    FakeService service;
};
