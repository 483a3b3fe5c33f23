#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "resources/DialogTemplates.h"
#include "resources/MenuTemplates.h"

namespace tw {
namespace {

// A menu or control text as the player reads it: no mnemonic marker, no key
// name after the tab, no trailing blank.
std::string Shown(std::string_view text)
{
    return std::regex_replace(std::string(text.substr(0, text.find('\t'))), std::regex("&| +$"), "");
}

// Links stay inside the document and name one existing id each, colours
// hold in any browser, and the text names every menu command and option as
// the game shows it.
TEST(HelpDocument, IsSelfContainedAndNamesEveryMenuCommandAndOptionAsTheGameShowsIt)
{
    std::ifstream file(TW_HELP_DOCUMENT, std::ios::binary);
    const std::string html{std::istreambuf_iterator<char>(file), {}};
    static const std::regex attribute(R"re(\s(id|href|src)\s*=\s*"([^"]*)")re", std::regex::icase);
    std::set<std::string> ids;
    std::vector<std::string> links;
    for (std::sregex_iterator it(html.begin(), html.end(), attribute), last; it != last; ++it) {
        if ((*it)[1].length() == 2) {
            EXPECT_TRUE(ids.insert((*it)[2]).second) << "id used twice: " << (*it)[2];
        } else {
            links.push_back((*it)[2]);
        }
    }
    for (const std::string& link : links) {
        ASSERT_TRUE(link.starts_with('#')) << "needs something outside the document: " << link;
        EXPECT_TRUE(ids.contains(link.substr(1))) << "no id for " << link;
    }
    EXPECT_GE(links.size(), 20U) << "the table of contents and the back-to-top links";
    EXPECT_FALSE(std::regex_search(html, std::regex(R"(<link|<script|@import|url\()", std::regex::icase)));
    // A browser without custom properties drops every declaration that uses
    // one: the heading's green went and its white text stood on white.
    EXPECT_FALSE(std::regex_search(html, std::regex(R"(var\s*\(|--[\w-]+\s*:)")));

    std::string text = std::regex_replace(html, std::regex("<[^>]*>"), "");
    for (const auto& [entity, plain] : {std::pair{"&quot;", "\""}, {"&nbsp;", " "}, {"&#39;", "'"}, {"&amp;", "&"}}) {
        text = std::regex_replace(text, std::regex(entity), plain);
    }
    text = std::regex_replace(text, std::regex(R"(\s+)"), " ");
    for (const MenuPopupTemplate& popup : FindMenuTemplate(MainMenuId)->popups) {
        for (const MenuItemTemplate& item : popup.items) {
            EXPECT_TRUE(item.text.empty() || text.find(Shown(item.text)) != std::string::npos) << Shown(item.text);
        }
    }
    for (const ControlTemplate& control : FindDialogTemplate(OptionsDialogId)->controls) {
        const bool choice = control.kind == ControlKind::CheckBox || control.kind == ControlKind::RadioButton;
        const bool preset = control.kind == ControlKind::PushButton && control.id != 1 && control.id != 2;
        EXPECT_TRUE(!(choice || preset) || text.find(Shown(control.text)) != std::string::npos) << Shown(control.text);
    }
}

} // namespace
} // namespace tw
