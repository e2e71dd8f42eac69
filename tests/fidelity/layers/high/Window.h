#pragma once
void Window();
