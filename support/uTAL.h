#pragma once
namespace velastrin {
void InitUnit_uTAL();
}
