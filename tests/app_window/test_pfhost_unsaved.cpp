// pfhost's window asks before it drops changes that are not saved: on New, on an Open that replaces the
// scene, and on Quit. Script mode never asks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "dzapp.h"
#include "dzfixtures.h"
#include "dzmainwindow.h"
#include "dzmodalresponder.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dzfloatproperty.h"
#include "dzundostack.h"
#include "pfhost_window.h"

namespace {

QByteArray const kObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

struct NoteItem final : DzUndoItem {
    void undo() override {}
    int size() const override { return 1; }
};

struct UnsavedWork : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        writeScene("other.pfscene", "Other");
        ui = std::make_unique<HostUi>(dzApp->getInterface());
        QFile obj(path("mesh.obj"));
        ASSERT_TRUE(obj.open(QIODevice::WriteOnly));
        obj.write(kObj);
    }
    void TearDown() override {
        ui.reset();
        dzScene->clear();
    }
    QString path(QString const& name) const { return dir.filePath(name); }
    // A morph "Bump" at 0 that moves vertex 0 up.
    static DzMorph* makeMorph() {
        auto* deltas = new DzMorphDeltas;
        deltas->addDelta(0, DzVec3(0, 0, 1), true, 0);
        auto* morph = new DzMorph(deltas);
        morph->setName("Bump");
        morph->getValueProperty()->setName("Bump");
        return morph;
    }
    void writeScene(QString const& name, QString const& node, bool withMorph = false) {
        dzScene->clear();
        dzScene->addNode(dztest::makeNode(node, dztest::makeGrid(1, 1)));
        if (withMorph)
            dzScene->getNode(0)->getObject()->addModifier(makeMorph());
        ASSERT_TRUE(dzScene->saveScene(path(name)));
        dzScene->clear();
    }
    // The scene "grid.pfscene" freshly opened, then moved: a change that a save keeps.
    void openAndEdit() {
        writeScene("grid.pfscene", "Grid");
        QString error;
        ASSERT_TRUE(ui->open(path("grid.pfscene"), &error)) << error.toStdString();
        ASSERT_FALSE(ui->isSceneModified());
        dzScene->getNode(0)->setLocalPos(DzVec3(0, 0, 5));
        ASSERT_TRUE(ui->isSceneModified());
        EXPECT_TRUE(dzApp->getInterface()->isWindowModified());
    }
    float savedHeight() const {
        DzScene saved;
        EXPECT_TRUE(saved.loadScene(path("grid.pfscene")));
        return saved.getNumNodes() == 1 ? saved.getNode(0)->getLocalPos().m_z : -1.0f;
    }
    // Queues the answer to the Open dialog: the file and its Open button.
    void chooseFile(dztest::ModalResponder& responder, QString const& name) const {
        responder.setInspector([file = path(name)](QWidget* box) {
            if (auto* dialog = qobject_cast<QFileDialog*>(box))
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(file);
        });
        responder.pressButton("Open");
    }

    // What a person does that may drop the scene; true when it went ahead.
    struct Step {
        char const* what;
        std::function<bool(UnsavedWork&, dztest::ModalResponder&)> run;
        int dialogsFirst;  // the boxes that come before the question
    };
    static std::vector<Step> steps() {
        return {
            {"New",
             [](UnsavedWork& t, dztest::ModalResponder&) {
                 t.ui->newScene();
                 return dzScene->getNumNodes() == 0;
             },
             0},
            {"Open",
             [](UnsavedWork& t, dztest::ModalResponder&) {
                 t.ui->openFileDialog();
                 return dzScene->getNumNodes() == 1 && dzScene->getNode(0)->getName() == "Other";
             },
             1},
            {"Quit",
             [](UnsavedWork&, dztest::ModalResponder&) {
                 QCloseEvent close;
                 QApplication::sendEvent(dzApp->getInterface(), &close);
                 return close.isAccepted();
             },
             0},
        };
    }
    // Runs the step with the answers queued: the Open dialog's first, then the given ones.
    bool run(Step const& step, dztest::ModalResponder& responder, QStringList const& answers) {
        if (step.dialogsFirst)
            chooseFile(responder, "other.pfscene");
        for (QString const& answer : answers) responder.pressButton(answer);
        return step.run(*this, responder);
    }

    QTemporaryDir dir;
    std::unique_ptr<HostUi> ui;
};

TEST_F(UnsavedWork, NewOpenAndQuitAskToSaveDiscardOrCancel) {
    struct Answer {
        QString button;
        bool goesOn;
        float savedHeight;  // of the node in grid.pfscene afterwards
    } const answers[] = {{"Save", true, 5.0f}, {"Discard", true, 0.0f}, {"Cancel", false, 0.0f}};
    for (Step const& step : steps())
        for (Answer const& answer : answers) {
            SCOPED_TRACE(std::string(step.what) + ", " + answer.button.toStdString());
            openAndEdit();
            dztest::ModalResponder responder;
            EXPECT_EQ(run(step, responder, {answer.button}), answer.goesOn);
            ASSERT_EQ(responder.boxes().size(), step.dialogsFirst + 1);
            EXPECT_TRUE(responder.allAnswered());
            auto const& box = responder.boxes().last();
            EXPECT_EQ(box.text, "The scene \"grid.pfscene\" has changes that are not saved.");
            QStringList buttons = box.buttons;  // in the platform's order
            buttons.sort();
            EXPECT_EQ(buttons, (QStringList{"Cancel", "Discard", "Save"}));
            EXPECT_EQ(box.defaultButton, "Save");
            EXPECT_EQ(savedHeight(), answer.savedHeight);
            // Cancelled, the edited scene is still there and still unsaved.
            if (!answer.goesOn) {
                ASSERT_EQ(dzScene->getNumNodes(), 1);
                EXPECT_EQ(dzScene->getNode(0)->getLocalPos().m_z, 5.0f);
                EXPECT_TRUE(ui->isSceneModified());
            }
        }
}

TEST_F(UnsavedWork, NothingIsAskedWithoutChangesOrInScriptMode) {
    for (bool const script : {false, true})
        for (Step const& step : steps()) {
            SCOPED_TRACE(std::string(step.what) + (script ? " in script mode" : " without changes"));
            writeScene("grid.pfscene", "Grid");
            QString error;
            ASSERT_TRUE(ui->open(path("grid.pfscene"), &error)) << error.toStdString();
            ui->setAsksToSave(!script);
            if (script)
                dzScene->getNode(0)->setLocalPos(DzVec3(0, 0, 5));
            dztest::ModalResponder responder;
            EXPECT_TRUE(run(step, responder, {}));
            EXPECT_EQ(responder.boxes().size(), step.dialogsFirst);
            EXPECT_TRUE(responder.allAnswered());
            EXPECT_EQ(savedHeight(), 0.0f);
        }
}

TEST_F(UnsavedWork, WhatASaveWouldWriteMarksTheSceneModified) {
    struct Case {
        char const* what;
        std::function<void(UnsavedWork&)> change;
        bool savedWithAMorph = false;
    } const cases[] = {
        {"a move", [](UnsavedWork&) { dzScene->getNode(0)->setLocalPos(DzVec3(1, 0, 0)); }},
        {"an undo step", [](UnsavedWork&) { dzUndoStack->push(new NoteItem); }},
        {"a subdivision level",
         [](UnsavedWork&) { dzScene->getNode(0)->getObject()->getCurrentShape()->setSubdivisionLevel(1); }},
        {"a mesh added",
         [](UnsavedWork& t) {
             QString error;
             ASSERT_TRUE(t.ui->open(t.path("mesh.obj"), &error)) << error.toStdString();
         }},
        {"a node removed", [](UnsavedWork&) { dzScene->removeNode(dzScene->getNode(0)); }},
        {"a morph added", [](UnsavedWork&) { dzScene->getNode(0)->getObject()->addModifier(makeMorph()); }},
        {"a morph dialled",
         [](UnsavedWork&) {
             auto* morph = qobject_cast<DzMorph*>(dzScene->getNode(0)->getObject()->findModifier("Bump"));
             ASSERT_TRUE(morph);
             morph->getValueProperty()->setValue(0.5f);
         },
         true},
        {"a morph taken off",
         [](UnsavedWork&) {
             DzObject* object = dzScene->getNode(0)->getObject();
             std::unique_ptr<DzModifier> morph(object->findModifier("Bump"));
             ASSERT_TRUE(object->removeModifier(morph.get()));
         },
         true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        writeScene("grid.pfscene", "Grid", c.savedWithAMorph);
        QString error;
        ASSERT_TRUE(ui->open(path("grid.pfscene"), &error)) << error.toStdString();
        ASSERT_FALSE(ui->isSceneModified());
        EXPECT_EQ(dzApp->getInterface()->windowTitle(), "grid.pfscene - pfhost[*]");
        c.change(*this);
        EXPECT_TRUE(ui->isSceneModified());
        EXPECT_TRUE(dzApp->getInterface()->isWindowModified());
        // Saving, to the scene's own file, makes it unmodified again.
        ASSERT_TRUE(ui->saveCurrent());
        EXPECT_FALSE(ui->isSceneModified());
        EXPECT_FALSE(dzApp->getInterface()->isWindowModified());
    }
}

TEST_F(UnsavedWork, AMeshImportedIntoAnEmptySceneIsNoChangeAndOpeningOneNeverAsks) {
    dztest::ModalResponder responder;
    ASSERT_FALSE(ui->isSceneModified());
    QString error;
    ASSERT_TRUE(ui->open(path("mesh.obj"), &error)) << error.toStdString();
    EXPECT_FALSE(ui->isSceneModified());
    EXPECT_TRUE(ui->scenePath().isEmpty());
    dzScene->getNode(0)->setLocalPos(DzVec3(1, 0, 0));
    ASSERT_TRUE(ui->isSceneModified());
    // Importing adds to the scene and drops nothing.
    chooseFile(responder, "mesh.obj");
    ui->openFileDialog();
    EXPECT_EQ(responder.boxes().size(), 1);
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(dzScene->getNumNodes(), 2);
}

}  // namespace
