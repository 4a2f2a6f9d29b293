// The records tests need an application object for Qt SQL; run with VQ_RECORDS_WRITER set, the
// program is instead one writer of the crash and race tests (records_writer.h).
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "records/records_writer.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (const auto writer = vq::test::writerFromEnvironment()) return vq::test::runWriter(*writer);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
