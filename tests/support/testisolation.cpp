// Linked into every test program: before main runs, the per-user settings, cache and runtime
// folders are pointed at a fresh temporary folder, so no test can read or change the settings,
// caches or first-run marker of the person running the suite.
#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <cstdlib>

namespace {
class TestIsolation
{
public:
    TestIsolation()
    {
        char pattern[] = "/tmp/qmarl-test-XXXXXX";
        const char *root = ::mkdtemp(pattern);
        if (!root)
            std::abort();
        m_root = QString::fromLocal8Bit(root);
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR",
                                 "XDG_DATA_HOME"}) {
            const QString dir = m_root + QLatin1Char('/') + QLatin1String(name);
            QDir().mkpath(dir);
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv(name, dir.toLocal8Bit());
        }
        qputenv("HOME", m_root.toLocal8Bit());
    }
    ~TestIsolation() { QDir(m_root).removeRecursively(); }

private:
    QString m_root;
};

const TestIsolation s_isolation;
} // namespace
