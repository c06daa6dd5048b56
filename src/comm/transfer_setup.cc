#include "comm/transfer_setup.h"

namespace kivo {

LinkSettings MakeLinkSettings(const AppSettings& settings, const TransferRequest& request) {
  LinkSettings link;
  link.run_mode = request.run_mode;
  link.appli_mode = request.appli_mode;
  link.device_code = settings.device_code;
  link.com_port = settings.com_port;
  link.log_file_name = request.log_file_name.value_or(settings.log_file_name);
  link.store = request.store;
  link.echo_back = request.no_echo ? 0 : settings.echo_back;
  link.file_scramble = settings.file_scramble;
  link.to_command = request.to_command.value_or(settings.to_command);
  link.to_data_packet = request.to_data_packet.value_or(settings.to_data_packet);
  link.to_multiplier = request.to_multiplier.value_or(settings.to_multiplier);
  link.sort_table = request.sort_table;
  link.code_table = request.code_table;
  link.tel_records_min = request.tel_records_min;
  link.port_name = request.port_name.value_or(settings.port_name);
  link.port_map = settings.port_devices;
  link.port_factory = request.port_factory;
  link.data_dir = request.data_dir;
  return link;
}

}  // namespace kivo
