#pragma once

// The one place through which the framework and the plug-in reach the host application: the log, the main
// window and its managers, the content and asset managers, the active 3D viewport and its camera, actions,
// tools, draw styles, properties, modifiers, categories and content types, the manual, and three host
// widgets. The functions ending in OrThrow throw HvException when a host object they need is missing.
// GUI thread only; nothing here is owned.

#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class Dz3DViewport;
class DzAction;
class DzActionMgr;
class DzAssetMgr;
class DzBoolProperty;
class DzCamera;
class DzCategory;
class DzContentMgr;
class DzDrawStyle;
class DzIntProperty;
class DzMainWindow;
class DzModifier;
class DzObject;
class DzOptionsBtn;
class DzPaneMgr;
class DzProperty;
class DzSkeleton;
class DzSlider;
class DzStyledButton;
class DzViewport;
class DzViewportMgr;
class QHBoxLayout;
class QLabel;
class QWidget;

class HvHelpersDaz {
public:
    HvHelpersDaz() = delete;

    // One entry of a pop-up menu: a null text makes a separator; member is the parent's slot (SLOT(...)).
    struct MenuDef {
        char const* text;
        char const* member;
    };

    // Host viewport tools that SwitchToolOrThrow knows.
    enum Tool { PickTool = 0 };

    // The host log, every line after g_pcszLogPrefix; nothing of its own is added.
    static void Log(std::string const& text);
    static void Log(char const* text);

    // A "≡" button whose menu calls the parent's slots.
    static DzOptionsBtn* CreateHamburgerMenu(QWidget& parent, MenuDef const* entries, unsigned long count);
    static DzStyledButton* CreateStyledButton(char const* caption);
    // Appends the slider after the caller's label: the label keeps its size, the slider takes the rest.
    static void AddDzSliderToHBoxLayout(DzSlider& slider, QHBoxLayout* layout, QLabel* label, bool clamped);

    static DzContentMgr* GetContentMgrOrThrow();
    static DzAssetMgr* GetAssetMgrOrThrow();
    // Without the flag a missing main window gives null.
    static DzMainWindow* GetMainWindowOrThrow(bool throwIfMissing);
    static DzViewportMgr* GetViewportMgrOrThrow();
    static DzPaneMgr* GetPaneMgrOrThrow();
    // Without the flag a missing main window or action manager gives null.
    static DzActionMgr* GetActionMgrOrThrow(bool throwIfMissing);
    static Dz3DViewport* GetActive3dViewportOrThrow();
    static DzCamera* GetActiveViewportCameraOrThrow();
    // Makes viewport 0 the active one and returns it.
    static DzViewport* SetMainViewportActiveOrThrow();

    // Without the flag a missing action (or action manager) gives null.
    static DzAction* FindActionOrThrow(char const* className, bool throwIfMissing);
    // Triggers the action; any failure ends in a critical box "Error: ...".
    static void ExecuteActionOrCriticalBox(char const* className);
    // The viewport manager's result of making the tool active.
    static bool SwitchToolOrThrow(Tool tool);
    static DzDrawStyle* FindDrawStyleOrThrow(QString const& name);
    // Switches viewport 0 to the style, after a notice of noticeTime ms when it is not 0; failures are shown
    // in a critical box titled with the plug-in title, nothing is thrown.
    static void SetMainViewportStyle(QString const& styleName, int noticeTime);

    // Search the object's modifiers in order, not the object itself; null when none has the property.
    static DzProperty* FindProperty(DzObject* object, char const* name);
    static DzIntProperty* FindIntProperty(DzObject* object, char const* name);
    static DzIntProperty* FindIntPropertyOrThrow(DzObject* object, char const* name);
    static DzBoolProperty* FindBoolProperty(DzObject* object, char const* name);
    static DzBoolProperty* FindBoolPropertyOrThrow(DzObject* object, char const* name);
    // Simulation settings of a figure.
    static DzBoolProperty* FindVisibleInSimulationProperty(DzSkeleton& node);
    static DzBoolProperty* FindEnableSmoothingProperty(DzSkeleton& node);
    static DzBoolProperty* FindFreezeSimulationProperty(DzSkeleton& node);
    static DzModifier* FindDforceModifier(DzSkeleton& node);

    // The category the path names below the top category; null for an empty path or a missing element.
    static DzCategory* FindCategoryOrThrow(QStringList& path);
    static int FindContentTypeIdOrThrow(QString const& contentType);
    static int FindCompatibilityBaseTableOrThrow(std::vector<std::string> const& pathElements, bool flag);
    static int FindCompatibilityBaseOrThrow(std::string const& path, bool flag);

    // Opens "<documentation>/Plugins/<name>/<name> Manual.pdf" through the host.
    static void OpenPluginManual(char const* productName);
};

// The host's content directories (each ending in '/') that exist, and their cloud folders.
class HvPathResolver {
public:
    HvPathResolver();
    ~HvPathResolver();
    HvPathResolver(HvPathResolver const&) = delete;
    HvPathResolver& operator=(HvPathResolver const&) = delete;

    // The absolute path of `second` in the host's content; empty when the content has no such file. The first
    // argument is not consulted.
    std::string resolve(std::string const& first, std::string const& second) const;

    std::vector<std::string> const& getContentDirectories() const;
    std::vector<std::string> const& getCloudFolders() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
