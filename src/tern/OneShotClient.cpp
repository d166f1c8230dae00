#include "tern/OneShotClient.h"

OneShotClient::OneShotClient() : InstanceValidator(typeid(OneShotClient)) {}

OneShotClient::~OneShotClient() = default;
