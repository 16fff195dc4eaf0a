#pragma once
// Behaviour of a registry layer that the module relies on, written once and run against
// the in-memory layer (everywhere) and against the real registry (under Wine), so the
// in-memory one is checked against the real thing.

#include "tests/support/registry/reg_memory.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace kv::reg::conformance {
using kv::test::RegistryRecorder;

// Every test works below HKEY_CURRENT_USER\<kScratch>, which the layer starts without.
inline const std::string kScratch = "Software\\kelvane-test\\layer";

struct LayerUnderTest {
    std::string name;
    // A fresh layer behind a recorder, with the scratch key removed.
    std::function<std::unique_ptr<RegistryRecorder>()> make;
    // Deletes HKEY_CURRENT_USER\<subKey> and all below it, behind the layer's back.
    std::function<void(RegistryRecorder& layer, const std::string& subKey)> deleteTree;
};

class LayerConformance : public testing::TestWithParam<LayerUnderTest> {};

} // namespace kv::reg::conformance
