#pragma once
// Small grey test images and the graphs of tests/batch/graphs in a temporary folder, and the library started once per program.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "kora/state.h"

class BatchFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        KORA::VexInit(-1);
        QDir(m_dir.path()).mkpath(QStringLiteral("images"));
        cv::RNG random(7);
        for (int i = 0; i < kImages; ++i) {
            cv::Mat image(24, 32, CV_8UC1);
            random.fill(image, cv::RNG::UNIFORM, 0, 255);
            cv::circle(image, {10 + i, 12}, 5, cv::Scalar(255), -1);
            cv::imwrite(path("images/img_%1.png").arg(i).toStdString(), image);
        }
        // The graphs of tests/batch/graphs beside the images, as a user would keep them.
        const QDir graphs(qEnvironmentVariable("VORNE_SOURCE_DIR") + "/tests/batch/graphs");
        for (const QString& name : graphs.entryList(QDir::Files))
            QFile::copy(graphs.filePath(name), path(name));
    }

    void writeGraph(const QString& name, const QByteArray& text)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    static constexpr int kImages = 5;
    QTemporaryDir m_dir;
};
