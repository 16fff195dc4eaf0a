#include "layer_conformance.h"

#include <cstdint>
#include <vector>

namespace kv::reg::conformance {
using kv::test::RegistryRecorder;
namespace {

class Layer {
public:
    explicit Layer(const LayerUnderTest& param) : param_(param), api_(param.make()) {}
    ~Layer() {
        EXPECT_EQ(api_->OpenKeyCount(), 0u) << "a key was left open";
        param_.deleteTree(*api_, kScratch);
    }

    RegistryRecorder& api() { return *api_; }

    HandleValue Create(const std::string& sub) {
        HandleValue key = 0;
        EXPECT_EQ(api_->CreateKey(kHkeyCurrentUser, Path(sub), key), 0) << sub;
        return key;
    }
    Status Open(const std::string& sub, std::uint32_t access, HandleValue& key) {
        return api_->OpenKeyEx(kHkeyCurrentUser, Path(sub), 0, access, key);
    }
    void Set(HandleValue key, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> data) {
        EXPECT_EQ(
            api_->SetValueEx(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())),
            0);
    }
    void Close(HandleValue key) { EXPECT_EQ(api_->CloseKey(key), 0); }
    static std::string Path(const std::string& sub) {
        return sub.empty() ? kScratch : kScratch + "\\" + sub;
    }

private:
    const LayerUnderTest& param_;
    std::unique_ptr<RegistryRecorder> api_;
};

// A 4-byte query as the module makes it, into a buffer holding `fill`.
struct Query {
    Status status;
    std::uint32_t type;
    std::uint32_t size;
    std::uint32_t buffer;
};
Query Query4(RegistryApi& api, HandleValue key, const std::string& name,
             std::uint32_t fill = 0xAAAAAAAA) {
    Query q{0, kRegDword, 4, fill};
    q.status = api.QueryValueEx(key, name, q.type, &q.buffer, q.size);
    return q;
}

TEST_P(LayerConformance, MissingKeysAndValuesAreNotFound) {
    Layer layer(GetParam());
    HandleValue key = 0;
    EXPECT_EQ(layer.Open("", kKeyRead, key), 2);
    key = layer.Create("");
    EXPECT_EQ(Query4(layer.api(), key, "missing").status, 2);
    layer.Close(key);
    EXPECT_EQ(layer.Open("a\\b", kKeyRead, key), 2);
}

TEST_P(LayerConformance, CreateMakesParentsAndKeepsWhatExists) {
    Layer layer(GetParam());
    layer.Close(layer.Create("a\\b\\c"));
    HandleValue key = 0;
    ASSERT_EQ(layer.Open("a", kKeyWrite, key), 0);
    layer.Set(key, "v", kRegDword, {1, 0, 0, 0});
    layer.Close(key);
    key = layer.Create("a");
    EXPECT_EQ(Query4(layer.api(), key, "v").buffer, 1u);
    layer.Close(key);
    ASSERT_EQ(layer.Open("a\\b\\c", kKeyRead, key), 0);
    layer.Close(key);
}

TEST_P(LayerConformance, DataComeBackAsStoredWithTypeAndSize) {
    Layer layer(GetParam());
    const HandleValue key = layer.Create("");
    layer.Set(key, "dword", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF});
    layer.Set(key, "text", kRegSz, {'h', 'e', 'l', 'l', 'o', 0});
    layer.Set(key, "two", kRegBinary, {0x34, 0x12});
    layer.Set(key, "none", kRegBinary, {});

    const Query dword = Query4(layer.api(), key, "dword");
    EXPECT_EQ(dword.status, 0);
    EXPECT_EQ(dword.buffer, 0xFFFFFFFFu);
    EXPECT_EQ(dword.size, 4u);

    // Longer than the buffer: more data, the size it needs, the buffer untouched.
    const Query text = Query4(layer.api(), key, "text");
    EXPECT_EQ(text.status, 234);
    EXPECT_EQ(text.type, kRegSz);
    EXPECT_EQ(text.size, 6u);
    EXPECT_EQ(text.buffer, 0xAAAAAAAAu);

    // Shorter: only the low bytes are written.
    const Query two = Query4(layer.api(), key, "two");
    EXPECT_EQ(two.status, 0);
    EXPECT_EQ(two.type, kRegBinary);
    EXPECT_EQ(two.size, 2u);
    EXPECT_EQ(two.buffer, 0xAAAA1234u);
    const Query none = Query4(layer.api(), key, "none");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.size, 0u);
    EXPECT_EQ(none.buffer, 0xAAAAAAAAu);
    layer.Close(key);
}

TEST_P(LayerConformance, NamesIgnoreCase) {
    Layer layer(GetParam());
    HandleValue key = layer.Create("MixedCase");
    layer.Set(key, "Value", kRegDword, {7, 0, 0, 0});
    layer.Close(key);
    ASSERT_EQ(layer.Open("mIXEDcASE", kKeyRead, key), 0);
    EXPECT_EQ(Query4(layer.api(), key, "VALUE").buffer, 7u);
    layer.Close(key);
}

TEST_P(LayerConformance, TheOpenMaskLimitsWhatAHandleMayDo) {
    Layer layer(GetParam());
    layer.Close(layer.Create(""));
    HandleValue reader = 0;
    HandleValue writer = 0;
    ASSERT_EQ(layer.Open("", kKeyRead, reader), 0);
    ASSERT_EQ(layer.Open("", kKeyWrite, writer), 0);
    const std::uint32_t one = 1;
    EXPECT_EQ(layer.api().SetValueEx(reader, "v", kRegDword, &one, 4), 5);
    EXPECT_EQ(layer.api().SetValueEx(writer, "v", kRegDword, &one, 4), 0);
    EXPECT_EQ(Query4(layer.api(), writer, "v").status, 5);
    EXPECT_EQ(Query4(layer.api(), reader, "v").buffer, 1u);
    layer.Close(reader);
    layer.Close(writer);
}

TEST_P(LayerConformance, SubKeyPathsAreReadAsTheRegistryReadsThem) {
    Layer layer(GetParam());
    layer.Close(layer.Create("a\\b"));
    HandleValue key = 0;
    // Inner and trailing empty parts are skipped; a leading backslash is a bad path.
    ASSERT_EQ(layer.Open("a\\\\b", kKeyRead, key), 0);
    layer.Close(key);
    ASSERT_EQ(layer.Open("a\\b\\", kKeyRead, key), 0);
    layer.Close(key);
    EXPECT_EQ(layer.api().OpenKeyEx(kHkeyCurrentUser, "\\" + kScratch, 0, kKeyRead, key), 161);
}

TEST_P(LayerConformance, ARootOpensItselfWithAnEmptySubKey) {
    Layer layer(GetParam());
    HandleValue key = 0;
    ASSERT_EQ(layer.api().OpenKeyEx(kHkeyCurrentUser, "", 0, kKeyRead, key), 0);
    EXPECT_EQ(Query4(layer.api(), key, "kelvane-test-no-such-value").status, 2);
    layer.Close(key);
}

TEST_P(LayerConformance, AHandleOfADeletedKeyFails) {
    Layer layer(GetParam());
    const HandleValue key = layer.Create("gone");
    layer.Set(key, "v", kRegDword, {1, 0, 0, 0});
    GetParam().deleteTree(layer.api(), Layer::Path("gone"));
    EXPECT_EQ(Query4(layer.api(), key, "v").status, 1018);
    const std::uint32_t one = 1;
    EXPECT_EQ(layer.api().SetValueEx(key, "v", kRegDword, &one, 4), 1018);
    layer.Close(key);
}

} // namespace
} // namespace kv::reg::conformance
