// The data-source dialog "数据源配置" as a form object: its three fields, the test of the
// stored data source with its two messages, and what OK stores.
#pragma once

#include <string>

#include "conversion/db_export.h"
#include "store/form_message.h"

namespace brevio::conversion {

class DataSourceForm {
  public:
    static constexpr int kResource = 237;
    static constexpr int kNameField = 1212;
    static constexpr int kUserField = 1213;
    static constexpr int kPasswordField = 1214;
    static constexpr int kTestButton = 3;

    static std::string Title();          // "数据源配置"
    static std::string NameLabel();      // "数据源名称:"
    static std::string UserLabel();      // "用户名:"
    static std::string PasswordLabel();  // "密码:"
    static std::string TestButtonText(); // "测试数据源"

    // On opening: the three fields from the stored data source.
    DataSourceForm();

    // What the fields hold; the view writes them back as the user types.
    DataSource fields;

    // "测试数据源": connects a temporary connection with the data source stored by the last
    // OK (not with the fields), disconnects again, and returns the message to show:
    // "测试数据源成功!" (title "测试信息", exclamation icon) or
    // "测试数据源失败,请重新配置数据源或选择其他转换方式!" (title "测试信息", stop icon).
    store::FormMessage Test() const;
    // True when the message is the success message.
    static bool IsSuccess(const store::FormMessage& message);

    // OK: stores the three fields.
    void Ok() const;

    static store::FormMessage SuccessMessage();
    static store::FormMessage FailureMessage();
};

// The test on its own: connects with `source` on a temporary connection; true on success.
bool TestDataSource(const DataSource& source);

}  // namespace brevio::conversion
