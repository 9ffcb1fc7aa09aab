#pragma once

// What the scene file's four parts share: its writer (dzscenefile_writer.cpp), the streaming parse
// (dzscenefile_parser.cpp), the host's handlers of what is read (dzscenefile_items.cpp) and DzScene's file
// functions (dzscenefile.cpp). Internal to the host library.
//
// {"file_version": 1, "nodes": [{"name", "label", "origin", "position", "rotation", "scale",
//   "object": {"name", "label", "shape": {"subdivision_level", "vertices", "facets", "facet_flags"},
//              "modifiers": [{"type", "name", "label", ...the type's data...}]}}]}

#include <QString>
#include <QStringList>
#include <cstdio>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dzfileiosettings.h"

class DzAssetFile;
class DzAssetJsonItem;
class DzScene;

namespace dzscenefile {

int const kFileVersion = 1;
inline QString const kTypeMorph = QStringLiteral("host/morph");
inline QString const kTypeSkinBinding = QStringLiteral("host/skin_binding");
inline QString const kTypeLegacyBinding = QStringLiteral("host/legacy_binding");

QString quoted(QString const& text);
// The text, or for a long one (a JSON path thousands of levels deep, a name of megabytes from a file) its
// beginning and end around "...", so that a message stays readable. A path is cut between its steps.
QString shortened(QString const& text);
// The text of an errno value, for messages about the file system. Take errno right after the call that
// failed: anything in between may change it.
QString systemError(int error);

// What the handlers of one load share.
struct LoadContext {
    DzFileIOSettings const settings{};
    QStringList warnings;
    // The types of the modifiers kept without an IO class to read them, each once.
    QStringList keptTypes;
    int keptCount = 0;
    // The top object's members that the host does not read, for the next save.
    std::vector<std::pair<QString, std::string>> keptMembers;
};

// Mixed into a handler that wants the JSON text of its own object as the file has it: while keepRawText is
// set, the parse appends the object's events to rawText as compact JSON (numbers in the file's own text), the
// closing bracket included before the handler's finish() runs.
struct RawTextRecorder {
    virtual ~RawTextRecorder() = default;
    bool keepRawText = true;
    std::string rawText;
};

// Mixed into the handler of the top object to keep members it does not read: the parse records the value of
// each member it asks for, as RawTextRecorder does, and hands the text over when the value has ended.
struct MemberKeeper {
    virtual ~MemberKeeper() = default;
    // Asked at each member of the top object.
    virtual bool keepsMember(QString const& name) const = 0;
    // False rejects the member (with the reason on the file).
    virtual bool keepMember(QString const& name, std::string text) = 0;
};

// Appends the UTF-8 text as a JSON string, quotes included.
void appendJsonString(std::string& out, std::string_view utf8);

// Writes the scene as JSON text to the open file. False with the reason in error (a number that is not
// finite is one: JSON has no text for it); warnings are added to.
bool writeScene(DzScene const& scene, std::FILE* file, QStringList& warnings, QString& error);

// Readable bytes the fast parse needs after the end of the text.
size_t const kJsonPadding = 64;

// Feeds the JSON text, followed by kJsonPadding readable bytes, to the handler tree under root. The reason it
// failed, or empty. The fast parse (simdjson's) leaves text it does not take to the exact one (nlohmann's)
// with slowNeeded set: the handlers have seen part of the text then, so the read starts again on fresh ones
// with fast false, and gives the exact parse's message.
QString parseJson(std::string_view text, DzAssetFile& file, DzAssetJsonItem& root, bool fast,
                  bool& slowNeeded);

// The handler of a scene file's top object; nodes read go into scene.
std::unique_ptr<DzAssetJsonItem> makeRootItem(DzAssetFile* file, DzScene& scene, LoadContext& context);

}  // namespace dzscenefile
