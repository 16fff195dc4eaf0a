// The Group Policy template: both files parse with the structure the Group Policy editors
// expect, every string and presentation the ADMX uses is defined in the ADML, every
// reference resolves, and the policies write the keys, value names and numbers that the
// program's own switches read and write.
#include "protection/switch_facts.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using kv::protection::Switch;

constexpr char kNamespace[] = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions";
constexpr std::string_view kMachineRoot = "HKEY_LOCAL_MACHINE\\";

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
    void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
struct ObjectFree {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};

std::string Text(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

class Xml {
public:
    explicit Xml(const std::string& path)
        : doc_(xmlReadFile(path.c_str(), nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING)) {
        if (doc_) {
            context_.reset(xmlXPathNewContext(doc_.get()));
            xmlXPathRegisterNs(context_.get(), BAD_CAST "p", BAD_CAST kNamespace);
        }
    }
    bool Parsed() const { return doc_ && context_; }

    // The string values of the nodes an XPath expression selects (prefix p: the Group
    // Policy namespace), in document order.
    std::vector<std::string> Values(const std::string& xpath, xmlNode* at = nullptr) const {
        std::vector<std::string> values;
        for (xmlNode* node : Nodes(xpath, at)) {
            std::unique_ptr<xmlChar, decltype(xmlFree)> content(xmlNodeGetContent(node), xmlFree);
            values.push_back(Text(content.get()));
        }
        return values;
    }
    std::string Value(const std::string& xpath, xmlNode* at = nullptr) const {
        const auto values = Values(xpath, at);
        return values.size() == 1 ? values.front() : "<" + std::to_string(values.size()) + ">";
    }
    std::vector<xmlNode*> Nodes(const std::string& xpath, xmlNode* at = nullptr) const {
        context_->node = at ? at : xmlDocGetRootElement(doc_.get());
        std::unique_ptr<xmlXPathObject, ObjectFree> result(
            xmlXPathEvalExpression(BAD_CAST xpath.c_str(), context_.get()));
        std::vector<xmlNode*> nodes;
        if (result && result->nodesetval) {
            for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
                nodes.push_back(result->nodesetval->nodeTab[i]);
            }
        }
        return nodes;
    }
    // The names of an element's child elements, in order.
    static std::vector<std::string> ChildNames(xmlNode* element) {
        std::vector<std::string> names;
        for (xmlNode* child = element->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE) {
                names.push_back(Text(child->name));
            }
        }
        return names;
    }

private:
    std::unique_ptr<xmlDoc, DocFree> doc_;
    std::unique_ptr<xmlXPathContext, ContextFree> context_;
};

const std::string kPolicyDir = KELVANE_POLICY_DIR;

class PolicyTemplate : public testing::Test {
protected:
    Xml admx{kPolicyDir + "/kelvane.admx"};
    Xml adml{kPolicyDir + "/en-US/kelvane.adml"};
};

// Each name in `names` is one of `order`, and they come in that order (names may repeat
// or be left out): the schema's sequences, which the editors enforce.
bool InSchemaOrder(const std::vector<std::string>& names,
                   std::initializer_list<std::string_view> order) {
    auto at = order.begin();
    for (const std::string& name : names) {
        at = std::find(at, order.end(), name);
        if (at == order.end()) {
            return false;
        }
    }
    return true;
}

TEST_F(PolicyTemplate, BothFilesHaveTheSchemasStructure) {
    ASSERT_TRUE(admx.Parsed());
    ASSERT_TRUE(adml.Parsed());

    ASSERT_EQ(admx.Nodes("/p:policyDefinitions").size(), 1u);
    EXPECT_EQ(admx.Value("/p:policyDefinitions/@revision"), "1.0");
    EXPECT_EQ(admx.Value("/p:policyDefinitions/@schemaVersion"), "1.0");
    EXPECT_TRUE(InSchemaOrder(Xml::ChildNames(admx.Nodes("/p:policyDefinitions")[0]),
                              {"policyNamespaces", "supersededAdm", "annotation", "resources",
                               "supportedOn", "categories", "policies"}));
    EXPECT_EQ(admx.Values("/p:policyDefinitions/p:policyNamespaces/p:target").size(), 1u);
    EXPECT_NE(admx.Value("//p:target/@prefix"), "");
    EXPECT_NE(admx.Value("//p:target/@namespace"), "");
    EXPECT_EQ(admx.Value("/p:policyDefinitions/p:resources/@minRequiredRevision"), "1.0");
    for (xmlNode* policy : admx.Nodes("//p:policy")) {
        EXPECT_TRUE(
            InSchemaOrder(Xml::ChildNames(policy),
                          {"parentCategory", "seeAlso", "keywords", "supportedOn", "enabledValue",
                           "disabledValue", "enabledList", "disabledList", "elements"}))
            << admx.Value("@name", policy);
    }

    ASSERT_EQ(adml.Nodes("/p:policyDefinitionResources").size(), 1u);
    EXPECT_EQ(adml.Value("/p:policyDefinitionResources/@revision"), "1.0");
    EXPECT_EQ(adml.Value("/p:policyDefinitionResources/@schemaVersion"), "1.0");
    EXPECT_TRUE(InSchemaOrder(Xml::ChildNames(adml.Nodes("/p:policyDefinitionResources")[0]),
                              {"displayName", "description", "annotation", "resources"}));
    EXPECT_EQ(adml.Nodes("/p:policyDefinitionResources/p:resources/p:stringTable").size(), 1u);
}

TEST_F(PolicyTemplate, EveryStringAndPresentationUsedIsDefinedOnce) {
    ASSERT_TRUE(admx.Parsed() && adml.Parsed());
    std::map<std::string, int> strings, presentations;
    for (const std::string& id : adml.Values("//p:stringTable/p:string/@id")) {
        ++strings[id];
    }
    for (const std::string& id : adml.Values("//p:presentationTable/*/@id")) {
        ++presentations[id];
    }
    for (const auto& [id, count] : strings) {
        EXPECT_EQ(count, 1) << "string " << id;
        EXPECT_NE(adml.Value("//p:stringTable/p:string[@id='" + id + "']"), "") << id;
    }
    for (const auto& [id, count] : presentations) {
        EXPECT_EQ(count, 1) << "presentation " << id;
    }

    const std::regex reference(R"(\$\((string|presentation)\.([^)]*)\))");
    int used = 0;
    for (const std::string& value : admx.Values("//@*")) {
        for (std::sregex_iterator it(value.begin(), value.end(), reference), end; it != end; ++it) {
            const auto& table = (*it)[1] == "string" ? strings : presentations;
            EXPECT_TRUE(table.contains((*it)[2])) << (*it)[0] << " is not in the ADML";
            ++used;
        }
    }
    EXPECT_GT(used, 0);
}

TEST_F(PolicyTemplate, EveryReferenceResolves) {
    ASSERT_TRUE(admx.Parsed());
    std::set<std::string> categories, supported, prefixes;
    for (const std::string& name : admx.Values("//p:categories/p:category/@name")) {
        categories.insert(name);
    }
    for (const std::string& name : admx.Values("//p:supportedOn/p:definitions/*/@name")) {
        supported.insert(name);
    }
    for (const std::string& prefix : admx.Values("//p:policyNamespaces/p:using/@prefix")) {
        prefixes.insert(prefix);
    }
    // A name of this file, or one of another file through a declared prefix.
    const auto resolves = [&](const std::string& ref, const std::set<std::string>& own) {
        const auto colon = ref.find(':');
        return colon == std::string::npos ? own.contains(ref)
                                          : prefixes.contains(ref.substr(0, colon));
    };
    const auto policies = admx.Nodes("//p:policy");
    ASSERT_FALSE(policies.empty());
    for (xmlNode* policy : policies) {
        const std::string name = admx.Value("@name", policy);
        EXPECT_TRUE(resolves(admx.Value("p:parentCategory/@ref", policy), categories)) << name;
        EXPECT_TRUE(resolves(admx.Value("p:supportedOn/@ref", policy), supported)) << name;
    }
}

// The policy for each switch that has one. Autorun has none: Windows' own AutoPlay policy
// stores its value.
struct Expected {
    const char* policy;
    Switch which;
};
constexpr Expected kPolicies[] = {
    {"WriteProtect", Switch::WriteProtect},
    {"UsbStorageLock", Switch::UsbLock},
};

TEST_F(PolicyTemplate, PoliciesWriteTheProgramsOwnValues) {
    ASSERT_TRUE(admx.Parsed());
    EXPECT_EQ(admx.Nodes("//p:policy").size(), std::size(kPolicies));
    for (const Expected& expected : kPolicies) {
        SCOPED_TRACE(expected.policy);
        const auto values = kv::protection::ValuesOf(expected.which);
        const auto found = admx.Nodes(std::string("//p:policy[@name='") + expected.policy + "']");
        ASSERT_EQ(found.size(), 1u);
        xmlNode* policy = found[0];

        const std::string_view keyPath = values.keyPath;
        ASSERT_TRUE(keyPath.starts_with(kMachineRoot));
        EXPECT_EQ(admx.Value("@class", policy), "Machine");
        EXPECT_EQ(admx.Value("@key", policy), keyPath.substr(kMachineRoot.size()));
        EXPECT_EQ(admx.Value("@valueName", policy), values.valueName);
        EXPECT_EQ(admx.Value("p:enabledValue/p:decimal/@value", policy),
                  std::to_string(values.protectionOn));
        EXPECT_EQ(admx.Value("p:disabledValue/p:decimal/@value", policy),
                  std::to_string(values.protectionOff));
    }
    const auto autorun = kv::protection::ValuesOf(Switch::Autorun);
    EXPECT_TRUE(
        admx.Nodes(std::string("//p:policy[@valueName='") + autorun.valueName + "']").empty());
}

// An administrator reads the explain text to learn what a setting does: it must not promise
// more than the driver it acts through delivers. Each names the storage it leaves alone
// and the Windows policy that covers it.
TEST_F(PolicyTemplate, ExplainTextsSayWhatTheyDoNotCover) {
    ASSERT_TRUE(admx.Parsed() && adml.Parsed());
    for (const Expected& expected : kPolicies) {
        SCOPED_TRACE(expected.policy);
        const std::string ref =
            admx.Value(std::string("//p:policy[@name='") + expected.policy + "']/@explainText");
        const std::smatch id = [&] {
            std::smatch m;
            std::regex_match(ref, m, std::regex(R"(\$\(string\.(.+)\))"));
            return m;
        }();
        ASSERT_EQ(id.size(), 2u) << ref;
        const std::string text = adml.Value("//p:string[@id='" + id[1].str() + "']");
        for (const char* named : {"USBSTOR", "USB Attached SCSI", "card readers", "phones",
                                  "Removable Storage Access"}) {
            EXPECT_NE(text.find(named), std::string::npos) << "does not mention " << named;
        }
        for (const char* promise : {"at all", "USB storage devices are read-only",
                                    "USB sticks and USB disks cannot be used"}) {
            EXPECT_EQ(text.find(promise), std::string::npos) << "promises: " << promise;
        }
    }
}

} // namespace
