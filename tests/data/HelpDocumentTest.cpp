#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/DialogTemplates.h"
#include "resources/MenuTemplates.h"

namespace tw {
namespace {

std::string ReadDocument()
{
    std::ifstream file(TW_HELP_DOCUMENT, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Lower(std::string text)
{
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct Tag {
    std::string name; // lower case
    bool closing = false;
    std::map<std::string, std::string> attributes; // names in lower case
};

// Every tag of the document in order, skipping the doctype, comments and the
// inside of <style>. An unterminated tag or comment is reported as a failure.
std::vector<Tag> Tags(const std::string& html)
{
    static const std::regex attribute(R"re(([A-Za-z_:][-A-Za-z0-9_:.]*)\s*=\s*"([^"]*)")re");
    std::vector<Tag> tags;
    std::size_t at = 0;
    while ((at = html.find('<', at)) != std::string::npos) {
        if (html.compare(at, 4, "<!--") == 0) {
            const std::size_t end = html.find("-->", at);
            EXPECT_NE(end, std::string::npos) << "unterminated comment";
            at = end == std::string::npos ? html.size() : end + 3;
            continue;
        }
        const std::size_t end = html.find('>', at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "unterminated tag at offset " << at;
            break;
        }
        const std::string body = html.substr(at + 1, end - at - 1);
        at = end + 1;
        if (body.starts_with('!')) {
            continue;
        }
        Tag tag;
        tag.closing = body.starts_with('/');
        const std::size_t nameStart = tag.closing ? 1 : 0;
        const std::size_t nameEnd = body.find_first_of(" \t\r\n/", nameStart);
        tag.name = Lower(body.substr(nameStart, nameEnd - nameStart));
        for (std::sregex_iterator it(body.begin(), body.end(), attribute), last; it != last; ++it) {
            tag.attributes[Lower((*it)[1])] = (*it)[2];
        }
        if (tag.name == "style" && !tag.closing) {
            at = Lower(html).find("</style", at);
            if (at == std::string::npos) {
                ADD_FAILURE() << "unterminated <style>";
                break;
            }
        }
        tags.push_back(std::move(tag));
    }
    return tags;
}

// What a reader sees: the text without tags, the few entities the document
// uses decoded, and every run of white space made one blank.
std::string VisibleText(const std::string& html)
{
    std::string text = std::regex_replace(html, std::regex("<[^>]*>"), "");
    static const std::pair<const char*, const char*> entities[] = {
        {"&quot;", "\""}, {"&nbsp;", " "}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : entities) {
        text = std::regex_replace(text, std::regex(entity), plain);
    }
    return std::regex_replace(text, std::regex(R"(\s+)"), " ");
}

// A menu or control text as the player reads it: no mnemonic marker, no
// key name after the tab, no trailing blank.
std::string Shown(std::string_view text)
{
    std::string shown(text.substr(0, text.find('\t')));
    std::erase(shown, '&');
    while (!shown.empty() && shown.back() == ' ') {
        shown.pop_back();
    }
    return shown;
}

TEST(HelpDocument, EveryInternalLinkNamesOneExistingId)
{
    const std::vector<Tag> tags = Tags(ReadDocument());
    std::set<std::string> ids;
    for (const Tag& tag : tags) {
        if (tag.attributes.contains("id")) {
            EXPECT_TRUE(ids.insert(tag.attributes.at("id")).second) << "id used twice: " << tag.attributes.at("id");
        }
    }
    int links = 0;
    for (const Tag& tag : tags) {
        if (tag.attributes.contains("href")) {
            const std::string& href = tag.attributes.at("href");
            ASSERT_TRUE(href.starts_with('#')) << "link out of the document: " << href;
            EXPECT_TRUE(ids.contains(href.substr(1))) << "no id for " << href;
            ++links;
        }
    }
    EXPECT_GE(links, 20) << "the table of contents and the back-to-top links";
}

TEST(HelpDocument, NeedsNothingOutsideItself)
{
    const std::string html = Lower(ReadDocument());
    for (const Tag& tag : Tags(html)) {
        EXPECT_FALSE(tag.attributes.contains("src")) << "<" << tag.name << " src=...>";
        EXPECT_NE(tag.name, "link");
        EXPECT_NE(tag.name, "script");
    }
    EXPECT_EQ(html.find("@import"), std::string::npos);
    EXPECT_EQ(html.find("url("), std::string::npos);
}

TEST(HelpDocument, TagsAreBalanced)
{
    static const std::set<std::string> empty{"meta", "br", "hr", "img", "wbr", "col", "input"};
    std::vector<std::string> open;
    for (const Tag& tag : Tags(ReadDocument())) {
        if (empty.contains(tag.name)) {
            EXPECT_FALSE(tag.closing) << "</" << tag.name << ">";
        } else if (!tag.closing) {
            open.push_back(tag.name);
        } else {
            ASSERT_FALSE(open.empty()) << "</" << tag.name << "> closes nothing";
            ASSERT_EQ(open.back(), tag.name) << "</" << tag.name << "> closes <" << open.back() << ">";
            open.pop_back();
        }
    }
    EXPECT_TRUE(open.empty()) << "<" << open.back() << "> is never closed";
}

TEST(HelpDocument, NamesEveryMenuCommandAndOptionAsTheGameShowsIt)
{
    const std::string text = VisibleText(ReadDocument());
    const MenuTemplate* menu = FindMenuTemplate(MainMenuId);
    ASSERT_NE(menu, nullptr);
    for (const MenuPopupTemplate& popup : menu->popups) {
        for (const MenuItemTemplate& item : popup.items) {
            if (!item.text.empty()) {
                EXPECT_NE(text.find(Shown(item.text)), std::string::npos) << Shown(item.text);
            }
        }
    }
    const DialogTemplate* options = FindDialogTemplate(OptionsDialogId);
    ASSERT_NE(options, nullptr);
    for (const ControlTemplate& control : options->controls) {
        const bool choice = control.kind == ControlKind::CheckBox || control.kind == ControlKind::RadioButton;
        const bool preset = control.kind == ControlKind::PushButton && control.id != 1 && control.id != 2;
        if (choice || preset) {
            EXPECT_NE(text.find(Shown(control.text)), std::string::npos) << Shown(control.text);
        }
    }
}

} // namespace
} // namespace tw
