#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testsupport {

// A fresh temporary folder for one test, removed afterwards.
class TempDirTest : public ::testing::Test {
protected:
    QTemporaryDir tempDir;
    QString path(const QString& name) const { return QDir(tempDir.path()).filePath(name); }
};

} // namespace testsupport
