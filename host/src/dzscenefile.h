#pragma once

// Host-internal entry of the scene-file reader, for DzScene::loadScene and the reader's fuzz target.

#include <QString>
#include <istream>

class DzScene;

// Reads a scene file's text into a scene of its own and gives its nodes to the scene only when the whole
// text was read. On failure the scene is untouched and the message names the file and what was wrong.
bool dzLoadSceneFromStream(DzScene& scene, std::istream& in, QString const& fileName, QString* errorMessage);
