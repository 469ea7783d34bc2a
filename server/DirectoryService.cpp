#include "server/DirectoryService.h"

#include "server/BrokerDirectory.h"

DirectoryService::DirectoryService(const BrokerDirectory &directory) : m_directory(directory)
{
    m_http.server().Get("/brokers", [this](const httplib::Request &, httplib::Response &response) {
        response.set_content(m_directory.toJson().toStdString(), "application/json");
    });
}
