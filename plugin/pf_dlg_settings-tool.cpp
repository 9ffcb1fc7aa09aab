#include "pf_dlg_settings-tool.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <cmath>
#include <exception>

#include "dzapp.h"
#include "dzfloatslider.h"
#include "dzintslider.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "hv_base.h"
#include "hv_base_daz.h"
#include "hv_helpers_qt.h"
#include "hv_morph.h"
#include "hv_radio_base.h"
#include "pf_dlg_settings-adv.h"
#include "pf_falloff_pictures.h"
#include "pf_modifier.h"
#include "pf_tool.h"

namespace {

char const* const g_pcszSameOption =
    "<p>The same option is available in the tool's context menu in the 3D viewport.</p>";
char const* const g_pcszOnlyDisplay =
    "<p>This only affects how the gizmo is displayed; it does not affect any geometry in the scene.</p>";
char const* const g_pcszTwoFactors =
    "<p>Two factors influence how much geometry is affected:\n"
    "<ol><li>The falloff <i>radius</i> is indicated in the tool with a wireframe sphere. The bigger the "
    "sphere, "
    "the more geometry around the selection will be affected.\n"
    "To change the radius, you can\n"
    "<ul><li>use the slider in these tool options;</li>\n"
    "<li>hold down the Ctrl key and roll your mouse wheel up and down; or</li>\n"
    "<li>use the Ctrl and PageUp or PageDown keys.</li>\n"
    "</ul></li>\n"
    "<li>The falloff <i>type</i> determines how the falloff is computed within that radius. The images next "
    "to "
    "the radio buttons give you an indication of the effect of each type.</li>\n"
    "</ol>\n";

char const* const g_pcszSelectionTypeTip =
    "<p>Use these radio buttons to switch between facet (polygon), edge (line) and vertex selection in the "
    "Pullform.</p>\n"
    "<p>When changing from face selection to edge or vertex selection, your selections will be converted, "
    "but "
    "the reverse is not supported.</p>\n"
    "<p>The same three selection types are available in the tool's context menu in the 3D viewport.</p>\n";
char const* const g_pcszHelpTip = "Press this button to open Pullform's PDF documentation.";
char const* const g_pcszAdvancedTip = "Press this button to open Pullform's advanced settings dialog.";
char const* const g_pcszTranslationTip =
    "<p>Uncheck this box to temporarily hide the translation (move) controls of the gizmo.</p>\n";
char const* const g_pcszRotationTip =
    "<p>Uncheck this box to temporarily hide the rotation controls of the gizmo.</p>\n    ";
char const* const g_pcszSphereTip =
    "<p>This can change how the tool's radius indicators are shown.</p>\n"
    "<p>When the checkbox is off, the radius is invisible.</p>\n"
    "<p>When the checkbox is on, the radius is drawn as a 3D sphere.</p>\n"
    "<p>When the checkbox is half-checked, the radius is drawn as a thick grey circle. This is new with "
    "Pullform 2.0 and might interfere less with your work than the sphere.</p>\n";
char const* const g_pcszGizmoSizeTip =
    "<p>Use this slider to change the size of the gizmo in the scene.</p>\n";
char const* const g_pcszLockTip =
    "<p>If this box is unchecked, the gizmo will always be repositioned automatically to the selected vertex "
    "that is currently closest to the camera.\n"
    "This is default state every time you select something, and it is most useful for translations to always "
    "keep the gizmo accessible.</p>\n"
    "<p>However, after you move the gizmo with the %1 key pressed, it will remain locked where you left it, "
    "and "
    "this box will become checked.\n"
    "This is more useful for rotations because the location of the gizmo matters to define the rotation "
    "axes.</p>\n"
    "<p>You can also manually lock or unlock the gizmo temporarily with this checkbox, but the box will be "
    "reset when the selection changes.</p>\n";
char const* const g_pcszOrientationTip =
    "<p>Use these radio buttons to change the orientation of the Pullform tool's gizmo.</p>\n"
    "<ul><li>With %{World axes}%, the gizmo's X, Y and Z axes (red, green and blue) will always align with "
    "the "
    "axes of the entire scene.</li>\n"
    "<li>With %{Node axes}%, the gizmo's axes will align with the currently selected node. This is only "
    "different from the first option if the node is currently\n"
    "rotated.</li>\n"
    "<li>With %{Normal}%, the gizmo will be positioned in the center of the selection and point outside of "
    "it, "
    "averaging the normals of the selected faces\n"
    "(or adjacent faces).</li>\n"
    "<li>With %{Z to camera}% or %{45\u00b0 to camera}%, the gizmo axes will always align themselves with "
    "the "
    "current viewport camera. This allows\n"
    "you to use the camera to define the gizmo orientation.</li>\n"
    "<li>When you click on %{Clamped}%, the gizmo will remember its orientation in world coordinates. This "
    "allows you to use one of the %{Camera}% modes to orient the gizmo to your liking,\n"
    "then clamp it and rotate the camera for a better angle.</li></ul>\n";
char const* const g_pcszGainTip =
    "\n<p>The %{gain}% specifies the intensity of how much dragging the gizmo will affect the mesh.\n"
    "A gain of 100% means that the selected vertices in the mesh will follow the gizmo 100% (which is the "
    "default);\n"
    "you can lower the gain to be able to manipulate the mesh more precisely.</p>\n";
char const* const g_pcszRadiusTip =
    "\n<p>Use this slider to determine the radius of the sphere within which vertices will be affected\n"
    "when you drag the gizmo.</p>\n";
char const* const g_pcszFalloffTip =
    "<p>Use these radio buttons to change how the Pullform tool computes how the geometry <i>around</i> the "
    "selected geometry will be affected when you drag the gizmo.</p>";
char const* const g_pcszResetTip =
    "<p>Press this button to completely reset all deltas that the Pullform has created in the currently "
    "selected object.</p>\n"
    "<p>This will restore the object's original geometry as if you had never used the Pullform on that "
    "object.</p>\n"
    "<p>This action is also available as %{Reset all deltas}% from the Pullform's context menu.</p>";
char const* const g_pcszLoadTip =
    "<p>Press this button to load deltas from existing morphs of the currently selected object into the\n"
    "Pullform modifier, allowing you to edit them.</p>\n"
    "<p>For this to work you need to select an object with morphs in the Scene tree and then favorite at "
    "least\n"
    "one moprh in the figure properties (by clicking on the small heart symbol next to a morph).</p>";
char const* const g_pcszSaveTip =
    "<p>Press this button to export the deltas in the Pullform modifier to a new or existing morph in the\n"
    "object currently selected in the Scene tab.</p>";

char const* const g_pcszNoObjectSelected =
    "Please select an object in the scene with geometry to be able to modify its mesh.";
char const* const g_pcszHoldDownModifier =
    "To move the gizmo without changing geometry, hold down the %1 key while dragging it.";

QString concat(std::initializer_list<char const*> parts) {
    QString text;
    for (char const* part : parts) text += QString::fromUtf8(part);
    return text;
}

void setTip(QWidget& widget, QString const& text) {
    HvHelpersQt::SetFormattedToolTip(widget, text);
}

constexpr int s_iNoNode = -2;
constexpr int s_iLockInPlaceDelayMs = 200;

}  // namespace

struct PfToolOptionsWidget::Impl {
    HvRadioGroup<PfSelectionType> selectionTypeRadios;
    HvRadioGroup<PfGizmoOrientation> orientationRadios;
    HvRadioGroup<PfFalloffMode> falloffRadios;
    QString selectionLine;
    QString statisticsLine;
    int deltaCount = s_iNoNode;
    // Guarded: a node deleted from the scene reads as none rather than dangling.
    QPointer<DzNode> rememberedNode;
    DzIntSlider* gizmoSizeSlider = nullptr;
    DzFloatSlider* gainSlider = nullptr;
    DzFloatSlider* falloffRadiusSlider = nullptr;
};

PfToolOptionsWidget::PfToolOptionsWidget(QWidget* parent, PfSettings& settings)
    : QWidget(parent), m_pImpl(std::make_unique<Impl>()) {
    setupUi(this);
    HvHelpersQt::SetLabelContentMargins(*pLabelHeading);
    HvHelpersQt::MakeLabelHeading(*pLabelHeading);
    updateSelectionInfo(std::string());

    auto& selectionTypes = m_pImpl->selectionTypeRadios.m_mapButtons;
    selectionTypes[PfSelectionType::Face] = pRadioSelectionFacet;
    selectionTypes[PfSelectionType::Edge] = pRadioSelectionEdge;
    selectionTypes[PfSelectionType::Vertex] = pRadioSelectionVertex;
    m_pImpl->selectionTypeRadios.init(
        settings.m_eSelectionType,
        [](PfSelectionType type) {
            try {
                PfTool::SetSelectionTypeOrThrow(type, /*force=*/true, /*updatePane=*/false);
            } catch (std::exception const&) {
                // The radio stays as the user left it; the tool keeps its type.
            }
        },
        QString::fromUtf8(g_pcszSelectionTypeTip));

    HvHelpersQt::SetSmallBoldInfoButtonStyle(*pButtonHelp, 12);
    HvHelpersQt::ConnectButtonClicked(*pButtonHelp, this, SLOT(slotHelpButtonClicked()), g_pcszHelpTip);
    PfInitImageResources();
    HvHelpersQt::SetButtonPixmap(*pButtonAdvancedSettings, QStringLiteral(":/img/cog.png"));
    HvHelpersQt::ConnectButtonClicked(*pButtonAdvancedSettings, this,
                                      SLOT(slotAdvancedSettingsButtonClicked()), g_pcszAdvancedTip);

    pCheckBoxDrawGizmoTranslation->setChecked(settings.drawsGizmo(PfDrawGizmoSetting::Translation));
    connect(pCheckBoxDrawGizmoTranslation, SIGNAL(toggled(bool)), this,
            SLOT(slotDrawGizmoTranslationCheckBoxToggled(bool)));
    setTip(*pCheckBoxDrawGizmoTranslation,
           concat({g_pcszTranslationTip, g_pcszSameOption, g_pcszOnlyDisplay}));

    pCheckBoxDrawGizmoRotation->setChecked(settings.drawsGizmo(PfDrawGizmoSetting::Rotation));
    connect(pCheckBoxDrawGizmoRotation, SIGNAL(toggled(bool)), this,
            SLOT(slotDrawGizmoRotationCheckBoxToggled(bool)));
    setTip(*pCheckBoxDrawGizmoRotation, concat({g_pcszRotationTip, g_pcszOnlyDisplay}));
    HvHelpersQt::ConnectButtonClicked(*pButtonLoadMorph, this, SLOT(slotLoadMorphButtonClicked()),
                                      g_pcszLoadTip);
    HvHelpersQt::ConnectButtonClicked(*pButtonSaveAsMorph, this, SLOT(slotSaveAsMorphButtonClicked()),
                                      g_pcszSaveTip);

    pCheckBoxTriShowGizmoSphere->setCheckState(
        !settings.drawsGizmo(PfDrawGizmoSetting::Influence)           ? Qt::Unchecked
        : settings.drawsGizmo(PfDrawGizmoSetting::InfluenceAsOutline) ? Qt::PartiallyChecked
                                                                      : Qt::Checked);
    connect(pCheckBoxTriShowGizmoSphere, SIGNAL(stateChanged(int)), this,
            SLOT(slotDrawSphereCheckBoxTriStateChanged(int)));
    setTip(*pCheckBoxTriShowGizmoSphere, concat({g_pcszSphereTip, g_pcszSameOption, g_pcszOnlyDisplay}));

    // Named once, when the pane is made: a later change of the key leaves the texts as they are.
    QString const moveGizmoKey = HvHelpers::QuoteQ(settings.m_kmMoveGizmoOnly.describe());
    pLabelInfoHoldDownModifier->setText(QString::fromUtf8(g_pcszHoldDownModifier).arg(moveGizmoKey));

    auto* sizeSlider = new DzIntSlider(this, QString());
    m_pImpl->gizmoSizeSlider = sizeSlider;
    sizeSlider->setObjectName(QStringLiteral("pSliderGizmoSize"));
    sizeSlider->setMinMax(1, 10);
    setTip(*sizeSlider, concat({g_pcszGizmoSizeTip, g_pcszOnlyDisplay}));
    HvHelpersDaz::AddDzSliderToHBoxLayout(*sizeSlider, pHorizontalLayoutGizmoSizeSlider,
                                          pLabelGizmoSizeSlider, true);
    sizeSlider->setValue(int(settings.m_ullGizmoSize));
    connect(sizeSlider, SIGNAL(valueChanged(int)), this, SLOT(slotGizmoSizeSliderValueChanged(int)));

    updateLockInPlaceGizmoCheckBox();
    connect(pCheckBoxLockGizmoInPlace, SIGNAL(toggled(bool)), this,
            SLOT(slotLockGizmoInPlaceCheckBoxToggled(bool)));
    setTip(*pCheckBoxLockGizmoInPlace, QString::fromUtf8(g_pcszLockTip).arg(moveGizmoKey));

    auto& orientations = m_pImpl->orientationRadios.m_mapButtons;
    orientations[PfGizmoOrientation::WorldAxes] = pRadioGizmoWorldAxes;
    orientations[PfGizmoOrientation::NodeAxes] = pRadioGizmoNodeAxes;
    orientations[PfGizmoOrientation::Normal] = pRadioGizmoNormal;
    orientations[PfGizmoOrientation::ZToCamera] = pRadioGizmoZtoCamera;
    orientations[PfGizmoOrientation::Camera45] = pRadioGizmoCamera45;
    orientations[PfGizmoOrientation::Clamped] = pRadioGizmoClamped;
    m_pImpl->orientationRadios.init(
        settings.m_eGizmoOrientation,
        [](PfGizmoOrientation orientation) {
            PfTool::SetGizmoOrientation(orientation, /*updatePane=*/false);
        },
        QString::fromUtf8(g_pcszOrientationTip));

    auto* gainSlider = new DzFloatSlider(this, QString());
    m_pImpl->gainSlider = gainSlider;
    gainSlider->setObjectName(QStringLiteral("pSliderGain"));
    gainSlider->setMinMax(0.0f, 1.0f);
    gainSlider->setDisplayAsPercent(true);
    setTip(*gainSlider, QString::fromUtf8(g_pcszGainTip));
    HvHelpersDaz::AddDzSliderToHBoxLayout(*gainSlider, pHorizontalLayoutGainSlider, pLabelGainSlider, true);
    gainSlider->setValue(settings.m_fGain);
    connect(gainSlider, SIGNAL(valueChanged(float)), this, SLOT(slotGizmoGainSliderValueChanged(float)));

    auto* radiusSlider = new DzFloatSlider(this, QString());
    m_pImpl->falloffRadiusSlider = radiusSlider;
    radiusSlider->setObjectName(QStringLiteral("pSliderFalloffRadius"));
    radiusSlider->setMinMax(0.0f, 1000.0f);
    radiusSlider->setSensitivity(0.5f);
    radiusSlider->setTextEditable(true);
    setTip(*radiusSlider, concat({g_pcszRadiusTip, g_pcszTwoFactors}));
    HvHelpersDaz::AddDzSliderToHBoxLayout(*radiusSlider, pHorizontalLayoutFalloffRadiusSlider,
                                          pLabelFalloffRadiusSlider, true);
    radiusSlider->setValue(float(PfFalloffRadiusInUnits(settings.m_falloffRadius)));
    connect(radiusSlider, SIGNAL(valueChanged(float)), this,
            SLOT(slotFalloffRadiusSliderValueChanged(float)));

    struct Picture {
        PfFalloffMode mode;
        QRadioButton* radio;
        QLabel* label;
    };
    Picture const pictures[] = {
        {PfFalloffMode::SmoothCurve, pRadioFalloffSmoothCurve, pLabelImageSmoothCurve},
        {PfFalloffMode::Sphere, pRadioFalloffSphere, pLabelImageSphere},
        {PfFalloffMode::InverseSquare, pRadioFalloffInverseSquare, pLabelImageInverseSquare},
        {PfFalloffMode::Sharp, pRadioFalloffSharp, pLabelImageSharp},
        {PfFalloffMode::Linear, pRadioFalloffLinear, pLabelImageLinear},
        {PfFalloffMode::Constant, pRadioFalloffConstant, pLabelImageConstant},
        {PfFalloffMode::Random, pRadioFalloffRandom, pLabelImageRandom},
    };
    for (Picture const& picture : pictures) {
        m_pImpl->falloffRadios.m_mapButtons[picture.mode] = picture.radio;
        QImage const image(QStringLiteral(":/img/") + PfFalloffPictureFileName(picture.mode));
        // A missing picture leaves its label empty.
        if (!image.isNull())
            picture.label->setPixmap(QPixmap::fromImage(image.scaledToHeight(14, Qt::FastTransformation)));
    }
    m_pImpl->falloffRadios.init(
        settings.m_eFalloffMode,
        [](PfFalloffMode mode) { PfTool::SetFalloffMode(mode, /*updatePane=*/false); },
        concat({g_pcszFalloffTip, g_pcszTwoFactors}));

    HvHelpersQt::ConnectButtonClicked(*pButtonReset, this, SLOT(slotResetButtonClicked()), g_pcszResetTip);
    setVisible(true);
}

PfToolOptionsWidget::~PfToolOptionsWidget() = default;

// ---- information label and buttons ----

void PfToolOptionsWidget::updateSelectionInfo(std::string const& text) {
    DzScene* scene = dzScene;
    DzNode* node = scene ? scene->getPrimarySelection() : nullptr;
    if (node != m_pImpl->rememberedNode.data()) {
        m_pImpl->rememberedNode = node;
        if (node) {
            enableDisableButtons();
        } else if (m_pImpl->deltaCount != s_iNoNode) {
            m_pImpl->deltaCount = s_iNoNode;
            m_pImpl->statisticsLine.clear();
            enableDisableButtons();
            onInfoChanged();
        }
    }
    m_pImpl->selectionLine =
        text.empty() ? QString::fromUtf8(g_pcszNoObjectSelected) : QString::fromUtf8(text.c_str());
    onInfoChanged();
}

void PfToolOptionsWidget::updateModifierStats(bool) {
    DzNode* node = m_pImpl->rememberedNode.data();
    DzObject* object = node ? node->getObject() : nullptr;
    DzModifier* found = object ? object->findModifier(QStringLiteral("HV_PullformModifier")) : nullptr;
    auto* modifier = qobject_cast<PfModifier*>(found);
    if (!modifier)
        return;
    updateModifierStats2(int(modifier->getNoOfDeltas()));
}

void PfToolOptionsWidget::updateModifierStats2(int count) {
    if (count == m_pImpl->deltaCount)
        return;
    m_pImpl->deltaCount = count;
    if (count >= 0)
        m_pImpl->statisticsLine =
            HvHelpers::PluralizeQ((unsigned long)count, "One delta in modifier", "%d deltas in modifier");
    else
        m_pImpl->statisticsLine.clear();
    enableDisableButtons();
    onInfoChanged();
}

void PfToolOptionsWidget::onInfoChanged() {
    QStringList lines;
    for (QString const* line : {&m_pImpl->selectionLine, &m_pImpl->statisticsLine})
        if (!line->isEmpty())
            lines << *line;
    pLabelInfo->setText(QStringLiteral("<p>") + lines.join(QStringLiteral("<br>")) + QStringLiteral("</p>"));
}

void PfToolOptionsWidget::enableDisableButtons() {
    bool const haveDeltas = m_pImpl->deltaCount >= 1;
    pButtonReset->setEnabled(haveDeltas);
    pButtonSaveAsMorph->setEnabled(haveDeltas);
    bool haveMorphs = false;
    if (DzNode* node = m_pImpl->rememberedNode.data()) {
        try {
            haveMorphs = HvMorphList(*node).getNumMorphs() > 0;
        } catch (std::exception const&) {
            // This runs inside Qt's event handling, where nothing may be thrown. Load stays usable so that
            // its own message reports what is wrong with the morphs.
            haveMorphs = true;
        }
    }
    pButtonLoadMorph->setEnabled(haveMorphs);
}

int PfToolOptionsWidget::getDeltaCount() const {
    return m_pImpl->deltaCount;
}

DzIntSlider* PfToolOptionsWidget::getGizmoSizeSlider() const {
    return m_pImpl->gizmoSizeSlider;
}

DzFloatSlider* PfToolOptionsWidget::getGainSlider() const {
    return m_pImpl->gainSlider;
}

DzFloatSlider* PfToolOptionsWidget::getFalloffRadiusSlider() const {
    return m_pImpl->falloffRadiusSlider;
}

// ---- lock box ----

void PfToolOptionsWidget::updateLockInPlaceGizmoCheckBox() {
    if (m_bLockInPlaceUpdatePending)
        return;
    QTimer::singleShot(s_iLockInPlaceDelayMs, this, SLOT(slotUpdateLockInPlaceGizmoCheckBoxDelayed()));
    m_bLockInPlaceUpdatePending = true;
}

void PfToolOptionsWidget::slotUpdateLockInPlaceGizmoCheckBoxDelayed() {
    m_bLockInPlaceUpdatePending = false;
    ++m_iLockInPlaceUpdates;
    PfGizmoLock const lock = PfTool::GetGizmoLockInPlace();
    pCheckBoxLockGizmoInPlace->setEnabled(lock != PfGizmoLock::Unavailable);
    pCheckBoxLockGizmoInPlace->setChecked(lock == PfGizmoLock::Placed);
}

void PfToolOptionsWidget::slotLockGizmoInPlaceCheckBoxToggled(bool checked) {
    PfTool::SetGizmoLockInPlace(checked, /*forceRedraw=*/false, /*updatePane=*/false);
}

// ---- setters for changes made elsewhere ----

void PfToolOptionsWidget::setDrawGizmoTranslationCheckBox(bool on) const {
    pCheckBoxDrawGizmoTranslation->setChecked(on);
}

void PfToolOptionsWidget::setDrawGizmoRotationCheckBox(bool on) const {
    pCheckBoxDrawGizmoRotation->setChecked(on);
}

void PfToolOptionsWidget::setDrawSphereCheckBox(bool draw, bool asOutline) const {
    pCheckBoxTriShowGizmoSphere->setCheckState(!draw       ? Qt::Unchecked
                                               : asOutline ? Qt::PartiallyChecked
                                                           : Qt::Checked);
}

void PfToolOptionsWidget::setGizmoSizeSlider(size_t uSize) {
    m_pImpl->gizmoSizeSlider->setValue(int(uSize));
}

void PfToolOptionsWidget::setGizmoGainSlider(float gain) const {
    m_pImpl->gainSlider->setValue(gain);
}

void PfToolOptionsWidget::setFalloffRadiusSlider(PfFalloffRadius radius) const {
    m_pImpl->falloffRadiusSlider->setValue(float(PfFalloffRadiusInUnits(radius)));
}

namespace {

template <typename T>
void checkRadio(HvRadioGroup<T> const& group, T key) {
    auto const found = group.m_mapButtons.find(key);
    if (found != group.m_mapButtons.end() && found->second)
        found->second->setChecked(true);
}

}  // namespace

void PfToolOptionsWidget::setSelectionTypeRadioChecked(PfSelectionType type) const {
    checkRadio(m_pImpl->selectionTypeRadios, type);
}

void PfToolOptionsWidget::setGizmoOrientationRadioChecked(PfGizmoOrientation orientation) const {
    checkRadio(m_pImpl->orientationRadios, orientation);
}

void PfToolOptionsWidget::setFalloffModeRadioChecked(PfFalloffMode mode) const {
    checkRadio(m_pImpl->falloffRadios, mode);
}

// ---- controls ----

void PfToolOptionsWidget::slotDrawGizmoTranslationCheckBoxToggled(bool checked) {
    PfSettings::SetDrawGizmoTranslation(checked, /*updatePane=*/false);
}

void PfToolOptionsWidget::slotDrawGizmoRotationCheckBoxToggled(bool checked) {
    PfSettings::SetDrawGizmoRotation(checked, /*updatePane=*/false);
}

void PfToolOptionsWidget::slotDrawSphereCheckBoxTriStateChanged(int state) {
    switch (state) {
        case Qt::Unchecked:
            PfSettings::SetDrawInfluence(false, /*updatePane=*/false);
            break;
        case Qt::PartiallyChecked:
            PfSettings::SetDrawInfluence(true, /*updatePane=*/false);
            PfSettings::SetDrawInfluenceAsOutline(true, /*updatePane=*/false);
            break;
        case Qt::Checked:
            PfSettings::SetDrawInfluence(true, /*updatePane=*/false);
            PfSettings::SetDrawInfluenceAsOutline(false, /*updatePane=*/false);
            break;
        default:
            break;
    }
}

void PfToolOptionsWidget::slotGizmoSizeSliderValueChanged(int value) {
    if (value >= 1)
        PfSettings::SetGizmoSize((unsigned long)value, /*updatePane=*/false);
}

void PfToolOptionsWidget::slotGizmoGainSliderValueChanged(float value) {
    PfSettings::SetGizmoGain(value, /*updatePane=*/false);
}

void PfToolOptionsWidget::slotFalloffRadiusSliderValueChanged(float value) {
    // The slider holds its range; a value that is not a length (NaN, below 0) has no whole radius.
    if (!(value >= 0.0f) || !std::isfinite(value))
        return;
    PfTool::SetFalloffRadius(PfFalloffRadiusFromUnits(value), /*updatePane=*/false);
}

void PfToolOptionsWidget::slotHelpButtonClicked() {
    HvHelpersDaz::ExecuteActionOrCriticalBox("PfHelpAction");
}

void PfToolOptionsWidget::slotAdvancedSettingsButtonClicked() {
    PfAdvancedSettingsDialog dialog(this, *PfSettings::Get());
    dialog.exec();
}

void PfToolOptionsWidget::slotResetButtonClicked() {
    PfTool::ResetAllDeltas();
}

void PfToolOptionsWidget::slotLoadMorphButtonClicked() {
    PfTool::LoadDeltasFromMorphs();
}

void PfToolOptionsWidget::slotSaveAsMorphButtonClicked() {
    PfTool::SaveDeltasToMorph();
}
