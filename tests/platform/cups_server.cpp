#include "cups_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cups/cups.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <sys/stat.h>

// The leak checker's standing exceptions for processes that print through a scheduler: libcups
// (2.4) keeps copies of strings of the paper table it builds from a queue's PPD when a job is
// printed, and never frees them.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:_ppdCacheCreateWithPPD\n";
}

namespace {

void writeText(const QString& path, const std::string& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.data(), qint64(text.size()));
}

std::string readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

} // namespace

// --- ScopedCupsAddress ---

ScopedCupsAddress::ScopedCupsAddress(const std::string& address)
{
    if (const char* previous = std::getenv("CUPS_SERVER")) {
        m_had = true;
        m_previous = previous;
    }
    setenv("CUPS_SERVER", address.c_str(), 1);
    cupsSetServer(address.c_str());
}

ScopedCupsAddress::~ScopedCupsAddress()
{
    if (m_had)
        setenv("CUPS_SERVER", m_previous.c_str(), 1);
    else
        unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
}

// --- CupsServer ---

CupsServer::CupsServer()
{
    if (!m_dir.isValid()) {
        m_error = "no temporary folder";
        return;
    }
    const QString root = m_dir.path();
    // The scheduler runs its filters as another user: they must reach the spool and write
    // their temporary files.
    chmod(root.toLocal8Bit().constData(), 0755);
    for (const char* sub : {"conf", "conf/ppd", "spool", "cache", "state", "log", "out", "tmp"})
        QDir(root).mkpath(sub);
    chmod((root + "/out").toLocal8Bit().constData(), 0777);
    chmod((root + "/tmp").toLocal8Bit().constData(), 01777);

    writeText(root + "/conf/cupsd.conf",
              "Listen " + Socket() + "\n"
              "Browsing No\n"
              "WebInterface No\n"
              "LogLevel info\n"
              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
    const std::string r = root.toStdString();
    writeText(root + "/conf/cups-files.conf",
              "FileDevice Yes\n"
              "SystemGroup root\n"
              "ServerRoot " + r + "/conf\n"
              "RequestRoot " + r + "/spool\n"
              "CacheDir " + r + "/cache\n"
              "StateDir " + r + "/state\n"
              "TempDir " + r + "/tmp\n"
              "Printcap " + r + "/printcap\n"
              "ErrorLog " + r + "/log/error_log\n"
              "AccessLog " + r + "/log/access_log\n"
              "PageLog " + r + "/log/page_log\n");

    m_process = std::make_unique<QProcess>();
    m_process->setStandardOutputFile(root + "/log/cupsd.out");
    m_process->setStandardErrorFile(root + "/log/cupsd.out");
    m_process->start("cupsd", {"-f", "-c", root + "/conf/cupsd.conf", "-s", root + "/conf/cups-files.conf"});
    if (!m_process->waitForStarted(10000)) {
        m_error = "cupsd did not start (is it installed?)";
        m_process.reset();
        return;
    }
    m_address = std::make_unique<ScopedCupsAddress>(Socket());
    for (int i = 0; i < 100; ++i) {
        std::string answer;
        if (run("lpstat", {"-r"}, &answer) && answer.find("scheduler is running") != std::string::npos) {
            m_running = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_error = "cupsd did not answer:\n" + log();
}

CupsServer::~CupsServer()
{
    Stop();
}

std::string CupsServer::Socket() const
{
    return (m_dir.path() + "/cups.sock").toStdString();
}

std::string CupsServer::log() const
{
    return readText(m_dir.path() + "/log/cupsd.out") + readText(m_dir.path() + "/log/error_log");
}

bool CupsServer::run(const std::string& program, const std::vector<std::string>& arguments, std::string* output)
{
    QProcess process;
    QStringList args;
    for (const std::string& a : arguments)
        args << QString::fromStdString(a);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CUPS_SERVER", QString::fromStdString(Socket()));
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(program), args);
    if (!process.waitForFinished(30000)) {
        m_error = program + " did not finish";
        return false;
    }
    const std::string out = process.readAllStandardOutput().toStdString();
    if (output)
        *output = out;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = program + " failed: " + process.readAllStandardError().toStdString() + out;
        return false;
    }
    return true;
}

std::string CupsServer::OutputFile(const std::string& name) const
{
    return (m_dir.path() + "/out/" + QString::fromStdString(name) + ".ps").toStdString();
}

bool CupsServer::AddGenericQueue(const std::string& name, const std::string& pageSize, int resolution)
{
    if (!run("lpadmin", {"-p", name, "-E", "-v", "file:" + OutputFile(name), "-m", "drv:///sample.drv/generic.ppd",
                         "-o", "PageSize=" + pageSize}))
        return false;
    if (resolution == 0)
        return true;
    // The generic driver names no resolution; the queue is made again from its own description
    // with one.
    std::string ppd = Ppd(name);
    if (ppd.empty()) {
        m_error = "no description of " + name;
        return false;
    }
    ppd.insert(ppd.find('\n') + 1, "*DefaultResolution: " + std::to_string(resolution) + "dpi\n");
    return AddQueue(name, ppd, pageSize);
}

bool CupsServer::AddQueue(const std::string& name, const std::string& ppd, const std::string& pageSize)
{
    const QString file = m_dir.path() + "/" + QString::fromStdString(name) + ".ppd";
    writeText(file, ppd);
    return run("lpadmin", {"-p", name, "-E", "-v", "file:" + OutputFile(name), "-P", file.toStdString(), "-o",
                           "PageSize=" + pageSize});
}

std::string CupsServer::Ppd(const std::string& name) const
{
    return readText(m_dir.path() + "/conf/ppd/" + QString::fromStdString(name) + ".ppd");
}

bool CupsServer::SetDefault(const std::string& name)
{
    return run("lpadmin", {"-d", name});
}

bool CupsServer::RemoveQueue(const std::string& name)
{
    return run("lpadmin", {"-x", name});
}

bool CupsServer::WaitForJobs(const std::string& name)
{
    for (int i = 0; i < 600; ++i) {
        std::string jobs;
        if (!run("lpstat", {"-o", name}, &jobs))
            return false;
        if (jobs.empty() && QFileInfo(QString::fromStdString(OutputFile(name))).size() > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_error = "the jobs of " + name + " did not finish:\n" + log();
    return false;
}

std::vector<QImage> CupsServer::RasterisedOutput(const std::string& name, int dpi)
{
    std::vector<QImage> pages;
    const std::string pattern = (m_dir.path() + "/out/" + QString::fromStdString(name) + "-%d.png").toStdString();
    if (!run("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m", "-r" + std::to_string(dpi),
                    "-sOutputFile=" + pattern, OutputFile(name)}))
        return pages;
    for (int page = 1;; ++page) {
        QImage image(QString::fromStdString(pattern).replace("%d", QString::number(page)));
        if (image.isNull())
            break;
        pages.push_back(image.convertToFormat(QImage::Format_RGB32));
    }
    return pages;
}

void CupsServer::Stop()
{
    if (m_process) {
        m_process->terminate();
        if (!m_process->waitForFinished(10000))
            m_process->kill();
        m_process->waitForFinished(1000);
        m_process.reset();
    }
    m_running = false;
}
