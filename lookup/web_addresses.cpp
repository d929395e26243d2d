#include "lookup/web_addresses.h"

namespace web {

constinit const std::string_view kLookupHost = BRINDLE_LOOKUP_HOST;
constinit const std::string_view kServiceDomain = BRINDLE_SERVICE_DOMAIN;
constinit const std::string_view kPartnerName = BRINDLE_PARTNER_NAME;
constinit const std::string_view kPartnerPage = BRINDLE_PARTNER_PAGE;
constinit const std::string_view kHomePage = BRINDLE_HOME_PAGE;
constinit const std::string_view kMakerHost = BRINDLE_MAKER_HOST;

std::string UpgradeNoticeUrl() {
    std::string url = "http://";
    url += kMakerHost;
    url += "/upgrade.htm";
    return url;
}

}  // namespace web
