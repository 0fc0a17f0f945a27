#include "conversion/db_source_form.h"

#include "platform/host.h"

namespace brevio::conversion {

std::string DataSourceForm::Title() {
    return "数据源配置";
}
std::string DataSourceForm::NameLabel() {
    return "数据源名称:";
}
std::string DataSourceForm::UserLabel() {
    return "用户名:";
}
std::string DataSourceForm::PasswordLabel() {
    return "密码:";
}
std::string DataSourceForm::TestButtonText() {
    return "测试数据源";
}

DataSourceForm::DataSourceForm() : fields(ReadDataSource()) {}

store::FormMessage DataSourceForm::SuccessMessage() {
    return {"测试数据源成功!", "测试信息", platform::MessageBoxSink::kWarning};
}

store::FormMessage DataSourceForm::FailureMessage() {
    return {"测试数据源失败,请重新配置数据源或选择其他转换方式!", "测试信息",
            platform::MessageBoxSink::kError};
}

bool DataSourceForm::IsSuccess(const store::FormMessage& message) {
    return message == SuccessMessage();
}

bool TestDataSource(const DataSource& source) {
    DbConnection connection;
    if (connection.Connect(source.name, source.user, source.password) != kDbOk) return false;
    connection.Disconnect();
    return true;
}

store::FormMessage DataSourceForm::Test() const {
    return TestDataSource(ReadDataSource()) ? SuccessMessage() : FailureMessage();
}

void DataSourceForm::Ok() const {
    StoreDataSource(fields);
}

}  // namespace brevio::conversion
