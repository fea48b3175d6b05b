#include "InstallerFixture.h"
#include "installer/ops/SpoolerControl.h"
#include "platform/ServiceManager.h"
#include "platform/LastError.h"
#include "platform/Spooler.h"

using namespace installer;

class SpoolerControlTest : public InstallerMachine {
protected:
    void DefineSpooler(DWORD state, DWORD waitHint, DWORD startQueries = 1) {
        plat::ServiceDefinition d;
        d.name = u"Spooler";
        d.displayName = u"Print Spooler";
        d.state = state;
        d.waitHint = waitHint;
        d.startQueries = startQueries;
        plat::DefineService(d);
    }
};

TEST(PollIntervalTest, TenthOfTheWaitHintWithinBounds) {
    EXPECT_EQ(PollInterval(5000), 1000u);
    EXPECT_EQ(PollInterval(200000), 10000u);
    EXPECT_EQ(PollInterval(50000), 5000u);
    EXPECT_EQ(PollInterval(0), 1000u);
}

TEST_F(SpoolerControlTest, StartWhenAlreadyRunningRunsNoCommandLine) {
    EXPECT_TRUE(StartSpoolerService(clock));
    EXPECT_EQ(LogMessages(),
              std::vector<std::u16string>{u"Cannot start the service because it is already running\r\n"});
    StartSpooler(2016, clock);  // the start sequence: no "net start", no pause
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(SpoolerControlTest, StartFromStoppedPollsByTheWaitHint) {
    DefineSpooler(SERVICE_STOPPED, 200000, 3);
    std::vector<plat::PrinterInfo2> printers;
    EXPECT_FALSE(plat::EnumLocalPrinters(printers));
    EXPECT_EQ(GetLastError(), RPC_S_SERVER_UNAVAILABLE);

    EXPECT_TRUE(StartSpoolerService(clock));
    EXPECT_EQ(clock.sleeps, (std::vector<DWORD>{10000, 10000}));
    EXPECT_TRUE(Logged(u"Service start pending... \r\n"));
    EXPECT_TRUE(Logged(u"Service started successfully.\r\n"));
    EXPECT_TRUE(plat::EnumLocalPrinters(printers));
}

TEST_F(SpoolerControlTest, FailedStartFallsBackToNetStart) {
    plat::ServiceDefinition d;
    d.name = u"Spooler";
    d.state = SERVICE_STOPPED;
    d.startError = ERROR_ACCESS_DENIED;
    plat::DefineService(d);
    StartSpooler(2016, clock);
    EXPECT_TRUE(Logged(u"StartService failed (5) \r\n"));
    EXPECT_EQ(clock.sleeps, std::vector<DWORD>{2000});  // after "net start spooler"
}

TEST_F(SpoolerControlTest, OldSystemsUseOnlyTheNetCommands) {
    RestartSpooler(2004, clock);
    EXPECT_EQ(clock.sleeps, (std::vector<DWORD>{2000, 2000}));
    EXPECT_TRUE(LogMessages().empty());  // the service manager was not asked
    EXPECT_EQ(plat::GetServiceState(u"Spooler"), SERVICE_RUNNING);
}

TEST_F(SpoolerControlTest, RestartThroughTheServiceManager) {
    DefineSpooler(SERVICE_RUNNING, 3000);
    RestartSpooler(2016, clock);
    EXPECT_TRUE(Logged(u"Service stopped successfully\r\n"));
    EXPECT_TRUE(Logged(u"Service started successfully.\r\n"));
    EXPECT_EQ(plat::GetServiceState(u"Spooler"), SERVICE_RUNNING);
    // One wait of the stop's wait hint; no pause of a "net" command.
    EXPECT_EQ(clock.sleeps, std::vector<DWORD>{3000});
}

TEST_F(SpoolerControlTest, StopWhenAlreadyStopped) {
    DefineSpooler(SERVICE_STOPPED, 2000);
    EXPECT_TRUE(StopSpoolerService(clock));
    EXPECT_TRUE(Logged(u"Service is already stopped.\r\n"));
}

TEST_F(SpoolerControlTest, DependentThatDoesNotStop) {
    plat::ServiceDefinition fax;
    fax.name = u"Fax";
    fax.dependOn = {u"Spooler"};
    fax.waitHint = 5000;
    fax.neverStops = true;
    plat::DefineService(fax);

    EXPECT_FALSE(StopSpoolerService(clock));
    // The dependent is waited for by its wait hint until 30000 ms have passed...
    EXPECT_EQ(clock.sleeps, std::vector<DWORD>(7, 5000));
    // ...and the spooler's own stop control is still sent (and refused).
    EXPECT_TRUE(Logged(u"ControlService failed (1051)\r\n"));
    EXPECT_EQ(plat::GetServiceState(u"Spooler"), SERVICE_RUNNING);
}

TEST_F(SpoolerControlTest, StopSpoolerDependentsStopsRunningDependents) {
    plat::ServiceDefinition fax;
    fax.name = u"Fax";
    fax.dependOn = {u"Spooler"};
    fax.waitHint = 3000;
    fax.stopQueries = 2;
    plat::DefineService(fax);
    plat::ServiceDefinition idle = fax;
    idle.name = u"Idle";
    idle.state = SERVICE_STOPPED;
    plat::DefineService(idle);

    EXPECT_TRUE(StopSpoolerService(clock));
    EXPECT_EQ(plat::GetServiceState(u"Fax"), SERVICE_STOPPED);
    EXPECT_EQ(plat::GetServiceState(u"Spooler"), SERVICE_STOPPED);
    EXPECT_TRUE(Logged(u"Service stopped successfully\r\n"));
}

TEST_F(SpoolerControlTest, StopPendingWithoutProgressTimesOutBeforeTheStart) {
    plat::ServiceDefinition hung;
    hung.name = u"Spooler";
    hung.state = SERVICE_STOP_PENDING;
    hung.waitHint = 5000;
    hung.neverStops = true;
    plat::DefineService(hung);
    EXPECT_FALSE(StartSpoolerService(clock));
    // Polled every 1000 ms; given up once more than the wait hint passed without progress.
    EXPECT_EQ(clock.sleeps, std::vector<DWORD>(6, 1000));
    EXPECT_TRUE(Logged(u"Timeout waiting for service to stop\r\n"));
    EXPECT_FALSE(Logged(u"Service start pending... \r\n"));
}
