// The roads of a save: which paths are refused, which files are never replaced, and what the file system
// holds afterwards (links, permissions, temporary files).
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <map>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dzapp.h"
#include "dzfixtures.h"
#include "dznode.h"
#include "dzscene.h"

namespace {

QByteArray const kObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
QByteArray const kOldScene = R"({"file_version": 1, "nodes": []})";

// What stands at a name: a file's mode and bytes, a link's target, or a folder.
struct Entry {
    char kind = 'f';
    QByteArray data;
    mode_t mode = 0;
    bool operator==(Entry const& o) const { return kind == o.kind && data == o.data && mode == o.mode; }
};

std::map<QString, Entry> snapshot(QDir const& dir) {
    std::map<QString, Entry> entries;
    QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString const path = it.next();
        struct stat st;
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
        Entry e;
        e.mode = st.st_mode & 07777;
        if (S_ISLNK(st.st_mode)) {
            e.kind = 'l';
            e.data = QFile::encodeName(QFile::symLinkTarget(path));
        } else if (S_ISDIR(st.st_mode)) {
            e.kind = 'd';
        } else {
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            e.data = f.readAll();
        }
        entries[dir.relativeFilePath(path)] = e;
    }
    return entries;
}

struct SceneSave : ::testing::Test {
    void SetUp() override {
        dzScene->clear();
        dzScene->addNode(dztest::makeNode("Grid", dztest::makeGrid(1, 1)));
    }
    void TearDown() override { dzScene->clear(); }
    QString path(QString const& name) const { return dir.filePath(name); }
    void write(QString const& name, QByteArray const& text, mode_t mode = 0644) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name.toStdString();
        f.write(text);
        f.close();
        ASSERT_EQ(::chmod(QFile::encodeName(path(name)).constData(), mode), 0);
    }
    void link(QString const& name, QString const& target) const {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(name)).constData()),
                  0);
    }

    QDir dir;  // each case's own
};

TEST_F(SceneSave, RefusesWhatIsNoSceneFileAndKeepsEverythingAroundASave) {
    struct Case {
        char const* what;
        std::function<void(SceneSave&)> setup;
        QString path;
        QString reason;   // empty: the save succeeds; %DIR% is the folder
        QString written;  // on success, the file that holds the scene now
        mode_t mode = 0;  // on success and when set, the written file's permissions
    } const cases[] = {
        {"a new scene file", [](SceneSave&) {}, "new.pfscene", {}, "new.pfscene"},
        {"a new .json in capitals", [](SceneSave&) {}, "New.JSON", {}, "New.JSON"},
        {"the mesh it came from", [](SceneSave& t) { t.write("model.obj", kObj); }, "model.obj",
         R"(a scene file's name ends in ".pfscene" or ".json")"},
        {"a name without suffix", [](SceneSave&) {}, "scene",
         R"(a scene file's name ends in ".pfscene" or ".json")"},
        {"JSON that is no scene", [](SceneSave& t) { t.write("notes.json", R"({"name": "x"})"); },
         "notes.json", "the file there is not a scene file, and it is not replaced"},
        {"a mesh named as a scene", [](SceneSave& t) { t.write("mesh.pfscene", kObj); }, "mesh.pfscene",
         "the file there is not a scene file, and it is not replaced"},
        {"JSON with a syntax error",
         [](SceneSave& t) { t.write("broken.json", R"({"nodes": [}, "file_version": 1})"); }, "broken.json",
         "the file there is not a scene file, and it is not replaced"},
        {"an empty file",
         [](SceneSave& t) { t.write("empty.pfscene", ""); },
         "empty.pfscene",
         {},
         "empty.pfscene"},
        {"an older scene",
         [](SceneSave& t) { t.write("old.pfscene", kOldScene); },
         "old.pfscene",
         {},
         "old.pfscene"},
        {"a scene with its version last",
         [](SceneSave& t) { t.write("late.json", R"({"nodes": [{"name": "A"}], "file_version": 1})"); },
         "late.json",
         {},
         "late.json"},
        {"a private scene stays private",
         [](SceneSave& t) { t.write("private.pfscene", kOldScene, 0600); },
         "private.pfscene",
         {},
         "private.pfscene",
         0600},
        {"through a link to its target",
         [](SceneSave& t) {
             ASSERT_TRUE(t.dir.mkdir("real"));
             t.write("real/target.pfscene", kOldScene, 0640);
             t.link("link.pfscene", "real/target.pfscene");
         },
         "link.pfscene",
         {},
         "real/target.pfscene",
         0640},
        {"through a link that points nowhere yet",
         [](SceneSave& t) { t.link("ahead.pfscene", "made.pfscene"); },
         "ahead.pfscene",
         {},
         "made.pfscene"},
        {"a link to a mesh",
         [](SceneSave& t) {
             t.write("model.obj", kObj);
             t.link("to-mesh.pfscene", "model.obj");
         },
         "to-mesh.pfscene", R"(it links to "%DIR%/model.obj", whose name is not a scene file's)"},
        {"a stale temporary file",
         [](SceneSave& t) {
             t.write("old.pfscene", kOldScene);
             t.write("old.pfscene.saving", QByteArray(1 << 20, 'x'));
         },
         "old.pfscene",
         {},
         "old.pfscene"},
        {"a folder", [](SceneSave& t) { ASSERT_TRUE(t.dir.mkdir("folder.pfscene")); }, "folder.pfscene",
         "it is a folder"},
        {"a path under a file", [](SceneSave& t) { t.write("file", "text"); }, "file/child.pfscene",
         R"(cannot create "%DIR%/file/child.pfscene.saving": Not a directory)"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir caseDir;
        ASSERT_TRUE(caseDir.isValid());
        dir.setPath(caseDir.path());
        c.setup(*this);
        auto before = snapshot(dir);
        before.erase(QStringLiteral("old.pfscene.saving"));  // the stale one is to go
        QString error;
        bool const saved = dzScene->saveScene(path(c.path), &error);
        auto after = snapshot(dir);
        for (auto const& [name, entry] : after) EXPECT_FALSE(name.endsWith(".saving")) << name.toStdString();
        if (!c.reason.isEmpty()) {
            EXPECT_FALSE(saved);
            QString const reason = QString(c.reason).replace("%DIR%", dir.path());
            EXPECT_EQ(error, QString("cannot save scene file \"%1\": %2").arg(path(c.path), reason));
            EXPECT_TRUE(after == before) << "the folder changed";
            continue;
        }
        ASSERT_TRUE(saved) << error.toStdString();
        ASSERT_EQ(after.count(c.written), 1u);
        EXPECT_EQ(after[c.written].kind, 'f');
        if (c.mode)
            EXPECT_EQ(after[c.written].mode, c.mode);
        // Everything else, links included, is as it was.
        after.erase(c.written);
        before.erase(c.written);
        EXPECT_TRUE(after == before) << "more than the scene file changed";
        DzScene loaded;
        ASSERT_TRUE(loaded.loadScene(path(c.written), &error)) << error.toStdString();
        ASSERT_EQ(loaded.getNumNodes(), 1);
        EXPECT_EQ(loaded.getNode(0)->getName(), "Grid");
    }
}

// A disk that runs full, staged with a limit on the size of the files this process writes: the message gives
// the error of the write that failed (the writing runs on a thread of its own), and the old file stays.
TEST_F(SceneSave, AWriteThatFailsSaysWhy) {
    QTemporaryDir caseDir;
    ASSERT_TRUE(caseDir.isValid());
    dir.setPath(caseDir.path());
    write("old.pfscene", kOldScene);
    dzScene->clear();
    dzScene->addNode(dztest::makeNode("Grid", dztest::makeGrid(300, 300)));  // about 4 MB of text
    auto const before = snapshot(dir);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (rlim_t const limit : {rlim_t(100), rlim_t(3 << 20)}) {
        SCOPED_TRACE(limit);
        rlimit small = old;
        small.rlim_cur = limit;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        bool const saved = dzScene->saveScene(path("old.pfscene"), &error);
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(saved);
        EXPECT_EQ(error.toStdString(),
                  QString("cannot save scene file \"%1\": writing failed: File too large")
                      .arg(path("old.pfscene"))
                      .toStdString());
        EXPECT_TRUE(snapshot(dir) == before) << "the folder changed";
    }
    std::signal(SIGXFSZ, oldHandler);
}

}  // namespace
