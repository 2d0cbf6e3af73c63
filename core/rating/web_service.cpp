#include "core/rating/web_service.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "core/rating/rating_endpoint.h"
#include "core/rating/soap_request.h"
#include "platform/net/http_client.h"
#include "platform/net/http_url.h"
#include "platform/text/convert.h"

namespace MyService {

namespace {

namespace net = quorvia::net;

ClientError StepOf(net::NetError error) {
  switch (error) {
    case net::NetError::kInvalidUrl:
    case net::NetError::kUnsupportedScheme:
      return ClientError::kInvalidEndpoint;
    case net::NetError::kResolveFailed:
    case net::NetError::kConnectRefused:
    case net::NetError::kConnectFailed:
      return ClientError::kConnect;
    case net::NetError::kInvalidArgument:
    case net::NetError::kSendFailed:
      return ClientError::kSend;
    default:
      return ClientError::kReceive;
  }
}

int Milliseconds(DWORD value) {
  return static_cast<int>(std::min<DWORD>(value, static_cast<DWORD>(std::numeric_limits<int>::max())));
}

}  // namespace

CMyServiceT::CMyServiceT(std::string endpoint, std::string targetNamespace)
    : m_url(std::move(endpoint)),
      m_namespace(std::move(targetNamespace)),
      m_namespaceWide(quorvia::Utf8ToUtf16(m_namespace)) {}

CMyServiceT::~CMyServiceT() = default;

HRESULT CMyServiceT::Failed(ClientError error, std::string text) {
  m_error = error;
  m_errorText = std::move(text);
  return E_FAIL;
}

HRESULT CMyServiceT::doScanURLs(const URLScanQueryElement* queries, int count, URLScanResult* result) {
  if (result == nullptr) return E_POINTER;
  if (count < 0 || (count > 0 && queries == nullptr)) return E_INVALIDARG;

  // Clear the previous call's state; reset this call's state on every way out.
  m_error = ClientError::kNone;
  m_status = 0;
  m_fault.reset();
  m_errorText.clear();
  struct CallState {
    rating::ScanResponseReader& reader;
    ~CallState() { reader.Clear(); }
  } call_state{m_reader};

  if (!m_reader.Prepare()) return Failed(ClientError::kReaderCreation, "the XML reader cannot be created");

  net::HttpUrl url;
  if (net::NetStatus parsed = net::ParseHttpUrl(m_url, url); !parsed.ok()) {
    return Failed(ClientError::kInvalidEndpoint, parsed.message);
  }

  net::HttpRequest request;
  request.method = "POST";
  request.url = url.ToString();
  request.body = rating::BuildScanRequestBody(queries, count, m_namespace);
  request.headers = rating::BuildScanRequestHeaders(url.Authority(), request.body.size(), m_namespace);

  net::HttpOptions options;
  options.timeout_ms = Milliseconds(m_timeout);
  options.deadline_ms = Milliseconds(m_deadline);
  options.max_redirects = kMaxRedirects;
  options.max_header_bytes = kMaxHeaderBytes;
  options.max_body_bytes = kMaxBodyBytes;

  const net::HttpResult answer = net::SendHttpRequest(request, options);
  if (!answer.ok()) return Failed(StepOf(answer.status.error), answer.status.message);
  m_status = answer.response.status;

  switch (m_status) {
    case 200: {
      URLScanResult parsed;
      if (m_reader.Parse(answer.response.body, m_namespaceWide, rating::ScanResponseParser::Expect::kResponse,
                         parsed)) {
        *result = std::move(parsed);
        return S_OK;
      }
      if (m_reader.Fault()) {
        m_fault = m_reader.Fault();
        return Failed(ClientError::kFault, "the service answered with a fault");
      }
      return Failed(ClientError::kParse, m_reader.Failure());
    }
    case 202:
      return Failed(ClientError::kParse, "the service accepted the request without answering it");
    case 500: {
      URLScanResult unused;
      m_reader.Parse(answer.response.body, m_namespaceWide, rating::ScanResponseParser::Expect::kFault, unused);
      m_fault = m_reader.Fault();
      return Failed(ClientError::kFault, m_fault ? "the service answered with a fault"
                                                 : "status 500 without a readable fault: " + m_reader.Failure());
    }
    default:
      return Failed(ClientError::kServerStatus, "the service answered with status " + std::to_string(m_status));
  }
}

void CMyServiceT::CleanupClient() { m_reader.Clear(); }

}  // namespace MyService

CWebServiceClass::CWebServiceClass() : CMyServiceT(rating::RatingEndpoint(), rating::RatingNamespace()) {}

CWebServiceClass::~CWebServiceClass() = default;

HRESULT CWebServiceClass::ScanUrls(int count, const URLScanQueryElement* queries, URLScanResult* service) {
  const HRESULT hr = doScanURLs(queries, count, service);
  CleanupClient();
  return hr;
}
