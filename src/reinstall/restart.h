#pragma once

// Restarts the machine, with the shutdown privilege enabled for it and programs that hang
// ended. Whether Windows accepted the request; a refusal is logged with its step.
bool Restart();
