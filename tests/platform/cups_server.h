#pragma once
// A CUPS scheduler of a test's own: configuration, spool, logs and its socket in a temporary
// folder, queues that write PostScript into files there. While it lives, this process's libcups
// and Qt Print Support talk to it (and to nothing else).

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

// Points this process's libcups at a scheduler address for its lifetime.
class ScopedCupsAddress {
public:
    explicit ScopedCupsAddress(const std::string& address);
    ~ScopedCupsAddress();
    ScopedCupsAddress(const ScopedCupsAddress&) = delete;
    ScopedCupsAddress& operator=(const ScopedCupsAddress&) = delete;

private:
    bool m_had = false;
    std::string m_previous;
};

class CupsServer {
public:
    // Starts the scheduler and waits until it answers; Running() tells whether it did.
    CupsServer();
    ~CupsServer();
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    bool Running() const { return m_running; }
    // What went wrong last, with the scheduler's log.
    const std::string& Error() const { return m_error; }
    std::string Socket() const;

    // A queue with the generic PostScript driver on the given page size, writing to
    // OutputFile(name); at its default resolution (300 per inch) or the one given.
    bool AddGenericQueue(const std::string& name, const std::string& pageSize, int resolution = 0);
    // A queue from a PPD text.
    bool AddQueue(const std::string& name, const std::string& ppd, const std::string& pageSize);
    // The queue's PPD as the scheduler keeps it.
    std::string Ppd(const std::string& name) const;
    bool SetDefault(const std::string& name);
    bool RemoveQueue(const std::string& name);
    std::string OutputFile(const std::string& name) const;
    // Waits until the queue has no job left and its output file is written.
    bool WaitForJobs(const std::string& name);
    // The PostScript output of the queue rasterised at the resolution, one image per page.
    std::vector<QImage> RasterisedOutput(const std::string& name, int dpi);
    // Stops the scheduler; the process still points at its (now silent) socket.
    void Stop();

private:
    bool run(const std::string& program, const std::vector<std::string>& arguments, std::string* output = nullptr);
    std::string log() const;

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    bool m_running = false;
    std::string m_error;
    std::unique_ptr<ScopedCupsAddress> m_address;
};
