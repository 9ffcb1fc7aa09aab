#pragma once

#include <QString>

// For the mesh formats whose header declares how many elements follow (OFF, PLY text and binary): the reason
// the file cannot hold what its header declares, or an empty string. A reader trusts those counts and
// reserves memory for them before it reads a value, so a few bytes could ask for gigabytes. Formats it does
// not know, and headers it cannot read, pass: the importer judges those.
QString dzMeshHeaderProblem(QString const& path);
