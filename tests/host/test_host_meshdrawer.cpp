// The view leaves out triangles too small to cover a pixel centre: on a mesh far denser than the pixels, seen
// at a slant and reaching past every edge of the view, no pixel may show the background through it.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "dz3dviewport.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dznode.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"

namespace {

TEST(HostMeshDrawer, ADenseMeshFillingTheViewLeavesNoHole) {
    dztest::ViewportFixture fx(160, 120);
    ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
    // 400 x 400 facets over 20 x 20 units; the near rows are a few pixels wide, the far ones much smaller.
    fx.addNode(dztest::makeNode("dense", dztest::makeGrid(400, 400, 0.05f)));
    fx.lookAt(DzVec3(10.0f, -2.0f, 4.0f), DzVec3(10.0f, 4.0f, 0.0f));
    for (char const* name : {"Smooth Shaded", "Flat Shaded"}) {
        SCOPED_TRACE(name);
        for (int i = 0; i < fx.mgr()->getNumUserDrawStyles(); ++i)
            if (fx.mgr()->getUserDrawStyle(i)->getName() == name)
                fx.view()->setDrawStyle(fx.mgr()->getUserDrawStyle(i));
        ASSERT_EQ(fx.view()->getDrawStyle()->getName(), name);
        QImage const image = fx.grab();
        dztest::Rgba const background{56, 61, 69, 255};
        int holes = 0;
        QPoint first(-1, -1);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (dztest::ViewportFixture::pixel(image, QPoint(x, y)).isNear(background, 3)) {
                    if (holes++ == 0)
                        first = QPoint(x, y);
                }
        EXPECT_EQ(holes, 0) << "first at " << first.x() << "," << first.y();
    }
}

}  // namespace
