// The manual that the Help command opens is where the address it shows points.
#include <gtest/gtest.h>

#include <QFile>

#include "dzapp.h"
#include "hv_base_daz.h"

TEST(HvPluginManual, TheShownAddressNamesTheBuiltPdf) {
    QString const saved = dzApp->getDocumentationPath();
    dzApp->setDocumentationPath(QStringLiteral(HV_HOST_DOC_DIR));
    HvHelpersDaz::OpenPluginManual("Pullform");
    dzApp->setDocumentationPath(saved);

    QString const url = dzApp->getShownURLs().last();
    ASSERT_TRUE(url.startsWith("file:///")) << url.toStdString();
    QFile pdf(url.mid(int(qstrlen("file:///"))));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << url.toStdString();
    EXPECT_EQ(pdf.read(5), "%PDF-");
    EXPECT_GT(pdf.size(), 4000);
}
