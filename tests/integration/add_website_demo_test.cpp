// The add-website proposal against the demo server: accepted for a known user, refused with
// the server's reply for a wrong password, the connection failure text once it is gone.
#include <gtest/gtest.h>

#include "demo_process.h"
#include "net/add_website_form.h"

namespace brevio::net {
namespace {

TEST(AddWebsiteDemo, BothServerAnswersAndAStoppedServer) {
    test::DemoServer server;
    ASSERT_TRUE(server.Start({}));
    ServerEndpoint endpoint("127.0.0.1", server.NspPort());
    const AddWebsiteFields fields{"示例网站", "http://example.cn/", "国内", "银行", "北京",
                                  "一个示例"};

    AddWebsiteForm refused("demo", "wrong", ServerProposalSender(endpoint));
    refused.fields = fields;
    AddWebsiteForm::SubmitResult r = refused.Submit();
    ASSERT_TRUE(r.outcome);
    EXPECT_EQ(r.outcome->message.text.rfind("递交失败!\r\n4", 0), 0u) << r.outcome->message.text;
    EXPECT_FALSE(r.outcome->close);

    AddWebsiteForm form("demo", "demo123", ServerProposalSender(endpoint));
    form.fields = fields;
    r = form.Submit();
    ASSERT_TRUE(r.outcome);
    EXPECT_EQ(r.outcome->message.text, "递交成功,谢谢!\r\n");
    EXPECT_TRUE(r.outcome->close);

    server.Stop();
    r = form.Submit();
    ASSERT_TRUE(r.outcome);
    EXPECT_EQ(r.outcome->message.text, ResultText(result::kCannotConnect));
    EXPECT_FALSE(r.outcome->close);
}

}  // namespace
}  // namespace brevio::net
