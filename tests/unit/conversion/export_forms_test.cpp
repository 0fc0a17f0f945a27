// The form objects of the special-conversion dialog and the data-source dialog, and the
// connection wrapper without a database server.
#include <gtest/gtest.h>

#include <filesystem>

#include "conversion/db_connection.h"
#include "conversion/db_source_form.h"
#include "conversion/special_conversion_form.h"
#include "conversion/special_transfer.h"
#include "conversion/transfer_files.h"
#include "platform/error_log.h"
#include "platform/fs.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"

namespace brevio::conversion {
namespace {

using Form = SpecialConversionForm;
using test::ReadFileBytes;

class SpecialConversionFormTest : public test::TempHomeTest {};

TEST_F(SpecialConversionFormTest, OpensWithTheStoredValues) {
    settings::WriteString(keys::kEspeTransPath, "/media/usb");
    settings::WriteInt(keys::kEspeTransSerial, 1);
    settings::WriteInt(keys::kEspeTransSelect, 1);
    settings::WriteInt(keys::kEspeTransHand, 1);
    settings::WriteInt(keys::kEspeTransAuto, 1);
    Form form;
    EXPECT_EQ(form.usbFolder, "/media/usb");
    EXPECT_EQ(form.serialPort, 1);
    EXPECT_EQ(form.select, kTransferToUsb);
    EXPECT_TRUE(form.handTransfer);
    EXPECT_TRUE(form.autoTransfer);
    EXPECT_FALSE(form.HandRunning());
}

TEST_F(SpecialConversionFormTest, EnablingFollowsTheChoices) {
    Form form;
    form.autoTransfer = false;
    form.handTransfer = true;
    EXPECT_EQ(form.Enabled(), Form::Enabling{});  // everything off while 1225 is clear

    form.autoTransfer = true;
    form.select = kTransferToSerial;
    form.handTransfer = false;
    Form::Enabling serial{.serialRadio = true, .usbRadio = true, .portList = true, .handBox = true};
    EXPECT_EQ(form.Enabled(), serial);

    form.handTransfer = true;
    serial.start = true;
    EXPECT_EQ(form.Enabled(), serial);

    form.select = kTransferToUsb;
    Form::Enabling usb{.serialRadio = true, .usbRadio = true, .folder = true, .browse = true};
    EXPECT_EQ(form.Enabled(), usb);  // start and pause off with USB, even with 1231 ticked
}

TEST_F(SpecialConversionFormTest, StartAndPauseSwapTheButtonsAndDriveTheRunFlag) {
    SpecialTransfer transfer({Home()});
    Form form(&transfer);
    form.autoTransfer = true;
    form.handTransfer = true;
    EXPECT_TRUE(form.Enabled().start);
    EXPECT_FALSE(form.Enabled().pause);
    form.StartPressed();
    EXPECT_TRUE(transfer.HandRunFlag());
    EXPECT_FALSE(form.Enabled().start);
    EXPECT_TRUE(form.Enabled().pause);
    form.PausePressed();
    EXPECT_FALSE(transfer.HandRunFlag());
    EXPECT_TRUE(form.Enabled().start);
    // A dialog opened while a hand transfer runs shows the pause button.
    transfer.StartHandTransfer();
    Form again(&transfer);
    again.autoTransfer = again.handTransfer = true;
    EXPECT_TRUE(again.Enabled().pause);
}

TEST_F(SpecialConversionFormTest, OkStoresAndANewFolderGetsTheMarkerAndStartsAtZero) {
    settings::WriteInt(keys::kUsbFileNum, 41);
    const std::string folder = Home() + "usb";
    std::filesystem::create_directories(folder);
    Form form;
    form.autoTransfer = true;
    form.select = kTransferToUsb;
    form.serialPort = 1;
    form.handTransfer = false;
    form.usbFolder = folder;
    ExportSettings stored = form.Ok();
    EXPECT_TRUE(form.MarkerCreated());
    EXPECT_TRUE(platform::FileExists(folder + "/usb.usb"));
    EXPECT_EQ(settings::ReadInt(keys::kUsbFileNum, -1), 0);
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransAuto, -1), 1);
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransSelect, -1), 1);
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransSerial, -1), 1);
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransHand, -1), 0);
    EXPECT_EQ(settings::ReadString(keys::kEspeTransPath, "?"), folder);
    EXPECT_TRUE(stored.specialAuto);
    EXPECT_EQ(stored.usbFolder, folder + "/");
}

TEST_F(SpecialConversionFormTest, SameFolderAgainKeepsTheFileNumber) {
    const std::string folder = Home() + "usb/";
    std::filesystem::create_directories(folder);
    settings::WriteString(keys::kEspeTransPath, folder);
    settings::WriteInt(keys::kUsbFileNum, 41);
    Form form;
    form.usbFolder = folder;
    form.Ok();
    EXPECT_FALSE(form.MarkerCreated());
    EXPECT_EQ(settings::ReadInt(keys::kUsbFileNum, -1), 41);
    EXPECT_FALSE(platform::FileExists(folder + "usb.usb"));
}

TEST_F(SpecialConversionFormTest, MarkerThatCannotBeCreatedKeepsTheFileNumber) {
    settings::WriteInt(keys::kUsbFileNum, 41);
    Form form;
    form.usbFolder = Home() + "missing/folder";
    form.Ok();
    EXPECT_FALSE(form.MarkerCreated());
    EXPECT_EQ(settings::ReadInt(keys::kUsbFileNum, -1), 41);
    EXPECT_EQ(settings::ReadString(keys::kEspeTransPath, "?"), Home() + "missing/folder");
}

class DataSourceFormTest : public test::TempHomeTest {};

TEST_F(DataSourceFormTest, FieldsComeFromTheStoreAndOkStoresThem) {
    StoreDataSource({"Brevio", "zhang", "pw'1"});
    DataSourceForm form;
    EXPECT_EQ(form.fields, (DataSource{"Brevio", "zhang", "pw'1"}));
    form.fields = {"Other", "li", "x"};
    form.Ok();
    EXPECT_EQ(ReadDataSource(), (DataSource{"Other", "li", "x"}));
}

TEST_F(DataSourceFormTest, TestUsesTheStoredDataSourceAndReportsFailure) {
    StoreDataSource({"no-such-data-source", "u", "p"});
    DataSourceForm form;
    form.fields.name = "whatever the user typed";
    const store::FormMessage m = form.Test();
    EXPECT_EQ(m.text, "测试数据源失败,请重新配置数据源或选择其他转换方式!");
    EXPECT_EQ(m.title, "测试信息");
    EXPECT_EQ(m.icon, platform::MessageBoxSink::kError);
    EXPECT_FALSE(DataSourceForm::IsSuccess(m));
}

class DbConnectionTest : public test::TempHomeTest {};

TEST_F(DbConnectionTest, EnvironmentIsSharedAndFreedWithTheLastConnection) {
    const int before = DbConnection::EnvironmentUsers();
    {
        DbConnection a;
        EXPECT_EQ(DbConnection::EnvironmentUsers(), before + 1);
        {
            DbConnection b;
            EXPECT_EQ(DbConnection::EnvironmentUsers(), before + 2);
        }
        EXPECT_EQ(DbConnection::EnvironmentUsers(), before + 1);
    }
    EXPECT_EQ(DbConnection::EnvironmentUsers(), before);
}

TEST_F(DbConnectionTest, StatementOnAnUnconnectedObjectFailsAndIsLogged) {
    DbConnection c;
    EXPECT_FALSE(c.Connected());
    EXPECT_EQ(c.Execute("{CALL spSaveClientNews(1)}"), kDbError);
    EXPECT_TRUE(c.LastFailureLostConnection());
    std::string out = "old";
    EXPECT_EQ(c.QueryValue("select 1", out), kDbError);
    EXPECT_EQ(out, "");
    const std::string log = ReadFileBytes(platform::NativePath(platform::DatabaseErrorLogPath()));
    EXPECT_NE(log.find("{CALL spSaveClientNews(1)}\r\nError Description: "), std::string::npos);
    EXPECT_NE(log.find("GetTableColumnValue:  SQLAllocStmt Error!!!\r\nError Description: "),
              std::string::npos);
    EXPECT_EQ(log.rfind("#### Write At ", 0), 0u);
    EXPECT_NE(log.find("\r\n########### End to Write ###########\r\n"), std::string::npos);
}

TEST_F(DbConnectionTest, ConnectToAMissingDataSourceFailsQuickly) {
    DbConnection c;
    EXPECT_EQ(c.Connect("no-such-data-source", "u", "p"), kDbError);
    EXPECT_FALSE(c.Connected());
}

}  // namespace
}  // namespace brevio::conversion
