#pragma once

// Host-internal entry of the scene-file reader, for DzScene::loadScene and the reader's fuzz target.

#include <QString>
#include <istream>
#include <string_view>

class DzScene;

// Reads a scene file's text into a scene of its own and gives its nodes to the scene only when the whole
// text was read. On failure the scene is untouched and the message names the file and what was wrong.
bool dzLoadSceneFromStream(DzScene& scene, std::istream& in, QString const& fileName, QString* errorMessage);

// The same for text in memory that is followed by dzscenefile::kJsonPadding readable bytes.
bool dzLoadSceneFromText(DzScene& scene, std::string_view text, QString const& fileName,
                         QString* errorMessage);
